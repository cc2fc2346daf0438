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
  enum TComNo : uint8_t { Com1, Com2, Lpt1 };

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

  qint32 baudRate() const { return baudRate_; }  // in baud
  QSerialPort::StopBits stopBits() const { return stopBits_; }
  TComNo comNo() const { return comNo_; }
  QSerialPort::Parity parity() const { return parity_; }
  int byteSize() const { return byteSize_; }
  int bufferLen() const { return bufferLen_; }
  int readTimeout() const { return readTimeout_; }
  int writeTimeout() const { return writeTimeout_; }

  // Speed and stop bits: only a different value is stored, and applied when open.
  void setBaudRate(qint32 value);
  void setStopBits(QSerialPort::StopBits value);
  // A different port number closes an open port (it is not reopened).
  void setComNo(TComNo value);
  // Parity and data bits are always stored and applied.
  void setParity(QSerialPort::Parity value);
  void setByteSize(int value);
  void setBufferLen(int value);
  void setReadTimeout(int msecs);
  void setWriteTimeout(int msecs);

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
  qint32 baudRate_ = QSerialPort::Baud9600;
  QSerialPort::StopBits stopBits_ = QSerialPort::OneStop;
  TComNo comNo_ = Com2;
  QSerialPort::Parity parity_ = QSerialPort::NoParity;
  int byteSize_ = 8;
  int bufferLen_ = 300;
  int readTimeout_ = 1000;
  int writeTimeout_ = 1000;
};

// The instrument's line: 9600 baud, 7 data bits, odd parity, 2 stop bits.
void setInstrumentLine(SerialLine& comm);
