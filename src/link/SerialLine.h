#pragma once

#include <cstdint>
#include <utility>

#include <QObject>
#include <QSerialPort>

// One serial port by name with the line settings applied: open/close, single
// byte reads and writes with time-outs, and the count of waiting bytes. A
// device that fails while open (resource error, failed write, hang-up) closes
// the line at once, so that nothing is left spinning on a dead handle.
// "Com1", "Com2" and "Lpt1" are resolved to devices by PortDevice().
class SerialLine : public QObject {
  Q_OBJECT

 public:
  enum TBaudRate : uint8_t {
    BR____110,
    BR____300,
    BR____600,
    BR___1200,
    BR___2400,
    BR___4800,
    BR___9600,
    BR__14400,
    BR__19200,
    BR__38400,
    BR__56000,
    BR__57600,
    BR_115200,
    BR_128000,
    BR_256000,
  };
  enum TStopBits : uint8_t { SB_ONESTOPBIT, SB_ONE5STOPBITS, SB_TWOSTOPBITS };
  enum TComNo : uint8_t { Com1, Com2, Lpt1 };
  enum TParity : uint8_t { paNone, paOdd, paEven, paMark, paSpace };

  // The operating system's handle of the open device (all bits set when closed).
  using PortHandle = decltype(std::declval<const QSerialPort&>().handle());

  explicit SerialLine(QObject* parent = nullptr);
  ~SerialLine() override;

  virtual void Open();
  virtual void Close();
  // Closes at once, sending nothing (the device is gone), and tells Lost().
  void Drop();
  bool Connected() const { return port_.isOpen(); }
  PortHandle Handle() const;

  // Synchronous transfers; they return the number of bytes moved (0 when closed).
  int Write(const char* buffer, int count);
  int Read(char* buffer, int count);
  void WriteByte(uint8_t byte);
  // The byte read, or 0 when none arrives within the read time-out.
  uint8_t ReadByte();
  // Send pending output and discard both queues (only while open).
  void Flush();

  // Received bytes waiting to be read; 0 when the port is not open.
  int PendingBytes();
  // Wait up to `msecs` for received data; true when some is waiting.
  bool WaitForData(int msecs);

  TBaudRate BaudRate() const { return baudRate_; }
  TStopBits StopBits() const { return stopBits_; }
  TComNo ComNo() const { return comNo_; }
  TParity Parity() const { return parity_; }
  int ByteSize() const { return byteSize_; }
  int BufferLen() const { return bufferLen_; }
  int ReadTimeout() const { return readTimeout_; }
  int WriteTimeout() const { return writeTimeout_; }

  // Speed and stop bits: only a different value is stored, and applied when open.
  void SetBaudRate(TBaudRate value);
  void SetStopBits(TStopBits value);
  // A different port number closes an open port (it is not reopened).
  void SetComNo(TComNo value);
  // Parity and data bits are always stored and applied.
  void SetParity(TParity value);
  void SetByteSize(int value);
  void SetBufferLen(int value);
  void SetReadTimeout(int msecs);
  void SetWriteTimeout(int msecs);

  // The line values of the settings; out-of-range ordinals give 9600 baud and one stop bit.
  static int BaudRateValue(int ordinal);
  static QSerialPort::StopBits StopBitsValue(int ordinal);
  static QSerialPort::Parity ParityValue(int ordinal);
  // "Com1", "Com2", "Lpt1"; empty for any other number.
  static QString PortName(int comNo);

 signals:
  void OnActivate();    // at the end of a successful Open
  void OnDeActivate();  // at the start of every Close
  void DataArrived();   // received data is waiting
  // The device failed while open (unplugged, the other end hung up, a write
  // that does not go out): the line has closed itself.
  void Lost();

 private:
  void ApplyLineSettings();
  void onPortError(QSerialPort::SerialPortError error);
  static bool IsDeviceFailure(QSerialPort::SerialPortError error);
  bool DeviceGone();

  QSerialPort port_;
  TBaudRate baudRate_ = BR___9600;
  TStopBits stopBits_ = SB_ONESTOPBIT;
  TComNo comNo_ = Com2;
  TParity parity_ = paNone;
  int byteSize_ = 8;
  int bufferLen_ = 300;
  int readTimeout_ = 1000;
  int writeTimeout_ = 1000;
};

// The instrument's line: 9600 baud, 7 data bits, odd parity, 2 stop bits.
void SetInstrumentLine(SerialLine& comm);
