#pragma once

#include <cstdint>
#include <utility>

#include <QObject>
#include <QSerialPort>

// One serial port by name with the line settings applied: open/close, single
// byte reads and writes with time-outs, and the count of waiting bytes. A
// device that fails while open (resource error, failed write, hang-up) closes
// the line at once, so that nothing is left spinning on a dead handle.
// "Com1", "Com2" and "Lpt1" are resolved to devices by portDevice().
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

  virtual void open();
  virtual void close();
  // Closes at once, sending nothing (the device is gone), and tells Lost().
  void drop();
  bool connected() const { return port_.isOpen(); }
  PortHandle handle() const;

  // Synchronous transfers; they return the number of bytes moved (0 when closed).
  int write(const char* buffer, int count);
  int read(char* buffer, int count);
  void writeByte(uint8_t byte);
  // The byte read, or 0 when none arrives within the read time-out.
  uint8_t readByte();
  // Send pending output and discard both queues (only while open).
  void flush();

  // Received bytes waiting to be read; 0 when the port is not open.
  int pendingBytes();
  // Wait up to `msecs` for received data; true when some is waiting.
  bool waitForData(int msecs);

  TBaudRate baudRate() const { return baudRate_; }
  TStopBits stopBits() const { return stopBits_; }
  TComNo comNo() const { return comNo_; }
  TParity parity() const { return parity_; }
  int byteSize() const { return byteSize_; }
  int bufferLen() const { return bufferLen_; }
  int readTimeout() const { return readTimeout_; }
  int writeTimeout() const { return writeTimeout_; }

  // Speed and stop bits: only a different value is stored, and applied when open.
  void setBaudRate(TBaudRate value);
  void setStopBits(TStopBits value);
  // A different port number closes an open port (it is not reopened).
  void setComNo(TComNo value);
  // Parity and data bits are always stored and applied.
  void setParity(TParity value);
  void setByteSize(int value);
  void setBufferLen(int value);
  void setReadTimeout(int msecs);
  void setWriteTimeout(int msecs);

  // The line values of the settings; out-of-range ordinals give 9600 baud and one stop bit.
  static int baudRateValue(int ordinal);
  static QSerialPort::StopBits stopBitsValue(int ordinal);
  static QSerialPort::Parity parityValue(int ordinal);
  // "Com1", "Com2", "Lpt1"; empty for any other number.
  static QString portName(int comNo);

 signals:
  void onActivate();    // at the end of a successful Open
  void onDeActivate();  // at the start of every Close
  void dataArrived();   // received data is waiting
  // The device failed while open (unplugged, the other end hung up, a write
  // that does not go out): the line has closed itself.
  void lost();

 private:
  void applyLineSettings();
  void onPortError(QSerialPort::SerialPortError error);
  static bool isDeviceFailure(QSerialPort::SerialPortError error);
  bool deviceGone();

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
void setInstrumentLine(SerialLine& comm);
