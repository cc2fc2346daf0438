#include "link/SerialLine.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>

#include "link/PortNames.h"

SerialLine::SerialLine(QObject* parent) : QObject(parent) {
  connect(&port_, &QSerialPort::readyRead, this, &SerialLine::dataArrived);
  // Queued: the port is not closed from inside its own notifier.
  connect(&port_, &QSerialPort::errorOccurred, this, &SerialLine::onPortError, Qt::QueuedConnection);
}

SerialLine::~SerialLine() { close(); }

QString SerialLine::portName(int comNo) {
  switch (comNo) {
    case Com1:
      return QStringLiteral("Com1");
    case Com2:
      return QStringLiteral("Com2");
    case Lpt1:
      return QStringLiteral("Lpt1");
    default:
      return {};
  }
}

SerialLine::PortHandle SerialLine::handle() const {
#ifdef Q_OS_WIN
  const auto invalid = reinterpret_cast<PortHandle>(static_cast<qintptr>(-1));  // all bits set
#else
  const PortHandle invalid = -1;
#endif
  return connected() ? port_.handle() : invalid;
}

void setInstrumentLine(SerialLine& comm) {
  comm.setBaudRate(QSerialPort::Baud9600);
  comm.setStopBits(QSerialPort::TwoStop);
  comm.setParity(QSerialPort::OddParity);
  comm.setByteSize(7);
}

// Speed, data bits, parity, stop bits, no flow control. The results are not
// checked: a port that refuses a setting stays open.
void SerialLine::applyLineSettings() {
  port_.setBaudRate(baudRate_);
  if (byteSize_ >= 5 && byteSize_ <= 8) port_.setDataBits(static_cast<QSerialPort::DataBits>(byteSize_));
  port_.setParity(parity_);
  port_.setStopBits(stopBits_);
  port_.setFlowControl(QSerialPort::NoFlowControl);
}

void SerialLine::open() {
  const QString name = portName(comNo_);
  if (name.isEmpty() || connected()) return;
  const QString device = portDevice(name);
  // A device file that is not there (an adapter unplugged) is not worth the
  // port's lock-file dance; a port name such as "COM1" is always tried.
  if (QDir::isAbsolutePath(device) && !QFileInfo::exists(device)) return;
  port_.setPortName(device);
  if (!port_.open(QIODevice::ReadWrite)) return;  // missing or busy: stays closed, silently
  applyLineSettings();
  port_.setDataTerminalReady(true);
  port_.setReadBufferSize(bufferLen_);
  port_.flush();
  port_.clear(QSerialPort::AllDirections);
  port_.clearError();
  emit onActivate();
}

void SerialLine::close() {
  emit onDeActivate();
  if (!connected()) return;
  // The last keys (СБР, 15) must reach the instrument: the output goes out
  // and only stale input is discarded. Clearing the output queue too would
  // drop what was written a moment ago and has not left the driver yet.
  port_.flush();
  port_.clear(QSerialPort::Input);
  port_.close();
}

void SerialLine::drop() {
  if (!connected()) return;
  emit onDeActivate();
  port_.clear(QSerialPort::AllDirections);  // what could not go out never will
  port_.close();
  emit lost();
}

bool SerialLine::isDeviceFailure(QSerialPort::SerialPortError error) {
  return error == QSerialPort::ResourceError  // unplugged, or the other end hung up
         || error == QSerialPort::WriteError  // a write the device refused
         || error == QSerialPort::ReadError;
}

// A resource error is also what a read that finds nothing reports ("try
// again": the notifier and a wait both answered one wake-up). A device that
// is gone fails again at once when asked; a live one does not.
bool SerialLine::deviceGone() {
  port_.clearError();
  port_.waitForReadyRead(0);
  const QSerialPort::SerialPortError error = port_.error();
  port_.clearError();
  return isDeviceFailure(error);
}

void SerialLine::onPortError(QSerialPort::SerialPortError error) {
  if (connected() && isDeviceFailure(error) && deviceGone()) drop();
}

int SerialLine::write(const char* buffer, int count) {
  if (!connected() || count <= 0) return 0;
  const qint64 accepted = port_.write(buffer, count);
  if (accepted <= 0) return 0;
  const int budget = writeTimeout_ * count + writeTimeout_;
  while (port_.bytesToWrite() > 0) {
    // A wait may also end because the read buffer is full; what is left goes
    // out with the port's write notifier. A write the device refuses is a
    // port error, and the error closes the line (onPortError).
    if (!port_.waitForBytesWritten(budget)) break;
  }
  return static_cast<int>(accepted - port_.bytesToWrite());
}

int SerialLine::read(char* buffer, int count) {
  if (!connected() || count <= 0) return 0;
  const QDeadlineTimer deadline(readTimeout_ * count + readTimeout_);
  int got = 0;
  while (got < count) {
    if (port_.bytesAvailable() == 0 && !port_.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
      break;
    const qint64 n = port_.read(buffer + got, count - got);
    if (n < 0) break;
    got += static_cast<int>(n);
  }
  return got;
}

void SerialLine::writeByte(uint8_t byte) {
  const char ch = static_cast<char>(byte);
  write(&ch, 1);
}

uint8_t SerialLine::readByte() {
  char ch = 0;
  return read(&ch, 1) == 1 ? static_cast<uint8_t>(ch) : 0;
}

void SerialLine::flush() {
  if (!connected()) return;
  port_.flush();
  port_.clear(QSerialPort::AllDirections);
}

int SerialLine::pendingBytes() {
  if (!connected()) return 0;
  if (port_.bytesAvailable() == 0) waitForData(0);
  return static_cast<int>(port_.bytesAvailable());
}

bool SerialLine::waitForData(int msecs) {
  if (!connected()) return false;
  if (port_.bytesAvailable() > 0) return true;
  // A wait that ends without data records a time-out error; the port is fine.
  if (!port_.waitForReadyRead(msecs)) port_.clearError();
  return port_.bytesAvailable() > 0;
}

void SerialLine::setBaudRate(qint32 value) {
  if (value == baudRate_) return;
  baudRate_ = value;
  if (connected()) port_.setBaudRate(baudRate_);
}

void SerialLine::setStopBits(QSerialPort::StopBits value) {
  if (value == stopBits_) return;
  stopBits_ = value;
  if (connected()) port_.setStopBits(stopBits_);
}

void SerialLine::setComNo(TComNo value) {
  if (value == comNo_) return;
  if (connected()) close();
  comNo_ = value;
}

void SerialLine::setParity(QSerialPort::Parity value) {
  parity_ = value;
  if (connected()) applyLineSettings();
}

void SerialLine::setByteSize(int value) {
  byteSize_ = value;
  if (connected()) applyLineSettings();
}

void SerialLine::setBufferLen(int value) {
  if (value == bufferLen_) return;
  bufferLen_ = value;
  if (connected()) port_.setReadBufferSize(bufferLen_);
}

void SerialLine::setReadTimeout(int msecs) { readTimeout_ = msecs; }

void SerialLine::setWriteTimeout(int msecs) { writeTimeout_ = msecs; }
