#include "link/MyComm.h"

#include <QDeadlineTimer>

#include "link/PortNames.h"

TMyComm::TMyComm(QObject* parent) : QObject(parent) {
  connect(&port_, &QSerialPort::readyRead, this, &TMyComm::DataArrived);
}

TMyComm::~TMyComm() { Close(); }

int TMyComm::BaudRateValue(int ordinal) {
  static constexpr int rates[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                  19200, 38400, 56000, 57600, 115200, 128000, 256000};
  return ordinal >= 0 && ordinal < static_cast<int>(std::size(rates)) ? rates[ordinal] : 9600;
}

QSerialPort::StopBits TMyComm::StopBitsValue(int ordinal) {
  switch (ordinal) {
    case SB_ONE5STOPBITS:
      return QSerialPort::OneAndHalfStop;
    case SB_TWOSTOPBITS:
      return QSerialPort::TwoStop;
    default:
      return QSerialPort::OneStop;
  }
}

QSerialPort::Parity TMyComm::ParityValue(int ordinal) {
  static constexpr QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                     QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                     QSerialPort::SpaceParity};
  return ordinal >= 0 && ordinal < static_cast<int>(std::size(parities)) ? parities[ordinal]
                                                                         : QSerialPort::NoParity;
}

QString TMyComm::PortName(int comNo) {
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

TMyComm::PortHandle TMyComm::Handle() const {
#ifdef Q_OS_WIN
  const auto invalid = reinterpret_cast<PortHandle>(static_cast<qintptr>(-1));  // all bits set
#else
  const PortHandle invalid = -1;
#endif
  return Connected() ? port_.handle() : invalid;
}

void SetInstrumentLine(TMyComm& comm) {
  comm.SetBaudRate(TMyComm::BR___9600);
  comm.SetStopBits(TMyComm::SB_TWOSTOPBITS);
  comm.SetParity(TMyComm::paOdd);
  comm.SetByteSize(7);
}

// Speed, data bits, parity, stop bits, no flow control. The results are not
// checked: a port that refuses a setting stays open.
void TMyComm::ApplyLineSettings() {
  port_.setBaudRate(BaudRateValue(baudRate_));
  if (byteSize_ >= 5 && byteSize_ <= 8) port_.setDataBits(static_cast<QSerialPort::DataBits>(byteSize_));
  port_.setParity(ParityValue(parity_));
  port_.setStopBits(StopBitsValue(stopBits_));
  port_.setFlowControl(QSerialPort::NoFlowControl);
}

void TMyComm::Open() {
  const QString name = PortName(comNo_);
  if (name.isEmpty() || Connected()) return;
  port_.setPortName(PortDevice(name));
  if (!port_.open(QIODevice::ReadWrite)) return;  // missing or busy: stays closed, silently
  ApplyLineSettings();
  port_.setDataTerminalReady(true);
  port_.setReadBufferSize(bufferLen_);
  port_.flush();
  port_.clear(QSerialPort::AllDirections);
  port_.clearError();
  emit OnActivate();
}

void TMyComm::Close() {
  emit OnDeActivate();
  if (!Connected()) return;
  port_.flush();
  port_.clear(QSerialPort::AllDirections);
  port_.close();
}

int TMyComm::Write(const char* buffer, int count) {
  if (!Connected() || count <= 0) return 0;
  const qint64 accepted = port_.write(buffer, count);
  if (accepted <= 0) return 0;
  const int budget = writeTimeout_ * count + writeTimeout_;
  while (port_.bytesToWrite() > 0) {
    if (!port_.waitForBytesWritten(budget)) break;
  }
  return static_cast<int>(accepted - port_.bytesToWrite());
}

int TMyComm::Read(char* buffer, int count) {
  if (!Connected() || count <= 0) return 0;
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

void TMyComm::WriteByte(uint8_t byte) {
  const char ch = static_cast<char>(byte);
  Write(&ch, 1);
}

uint8_t TMyComm::ReadByte() {
  char ch = 0;
  return Read(&ch, 1) == 1 ? static_cast<uint8_t>(ch) : 0;
}

void TMyComm::Flush() {
  if (!Connected()) return;
  port_.flush();
  port_.clear(QSerialPort::AllDirections);
}

int TMyComm::PendingBytes() {
  if (!Connected()) return 0;
  if (port_.bytesAvailable() == 0) WaitForData(0);
  return static_cast<int>(port_.bytesAvailable());
}

bool TMyComm::WaitForData(int msecs) {
  if (!Connected()) return false;
  if (port_.bytesAvailable() > 0) return true;
  // A wait that ends without data records a time-out error; the port is fine.
  if (!port_.waitForReadyRead(msecs)) port_.clearError();
  return port_.bytesAvailable() > 0;
}

void TMyComm::SetBaudRate(TBaudRate value) {
  if (value == baudRate_) return;
  baudRate_ = value;
  if (Connected()) port_.setBaudRate(BaudRateValue(baudRate_));
}

void TMyComm::SetStopBits(TStopBits value) {
  if (value == stopBits_) return;
  stopBits_ = value;
  if (Connected()) port_.setStopBits(StopBitsValue(stopBits_));
}

void TMyComm::SetComNo(TComNo value) {
  if (value == comNo_) return;
  if (Connected()) Close();
  comNo_ = value;
}

void TMyComm::SetParity(TParity value) {
  parity_ = value;
  if (Connected()) ApplyLineSettings();
}

void TMyComm::SetByteSize(int value) {
  byteSize_ = value;
  if (Connected()) ApplyLineSettings();
}

void TMyComm::SetBufferLen(int value) {
  if (value == bufferLen_) return;
  bufferLen_ = value;
  if (Connected()) port_.setReadBufferSize(bufferLen_);
}

void TMyComm::SetReadTimeout(int msecs) { readTimeout_ = msecs; }

void TMyComm::SetWriteTimeout(int msecs) { writeTimeout_ = msecs; }
