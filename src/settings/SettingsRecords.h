#pragma once

#include <QByteArray>
#include <QString>

#include <array>

// The two settings records. Each lives in memory for the whole run (starting
// all zero) and is kept in a file of exactly one fixed-size record below the
// program directory. Users read the file just before they need the values and
// write the whole record back right after a change (read, modify, write).
//
// File layout: little-endian; short strings as a length byte followed by the
// characters in Windows-1251 (the capacity is fixed, longer text is cut, a
// length byte beyond the capacity reads as the capacity); dates as IEEE doubles
// of days since 30 December 1899 (settings/DayCount.h). The program writes
// padding and the unused characters of short strings as zero bytes; on reading
// they may hold anything.

// Data of the test installation printed in the verification reports.
struct InstallationInfo {
  static constexpr int kSize = 152;

  QString InstallNumber;                   // at most 10 characters: number of the test installation
  QString CertNumber;                      // at most 10: number of its verification certificate
  double CertDate = 0;                     // date of the certificate
  double CertValidTo = 0;                  // end of the certificate's validity
  std::array<QString, 10> InstallReserve;  // unused, at most 10 characters each

  friend bool operator==(const InstallationInfo&, const InstallationInfo&) = default;
};

// The program's own choices: serial port, the programming tabs' last
// parameters, the protocol number.
struct ProgramConfig {
  static constexpr int kSize = 177;

  quint8 ComPort = 0;      // 0 "Com1", 1 "Com2"
  quint8 ActiveTab = 0;    // 0 power, 1 energy, 2 error
  quint8 PowerKind = 0;    // 1 active, 2 reactive
  quint8 PowerScheme = 0;  // connection scheme 1..5
  QString PowerVoltage;    // at most 10 characters
  QString PowerCurrent;    // at most 10
  QString PowerDivisions;  // at most 5
  QString PowerTime;       // at most 3
  quint8 EnergyKind = 0;
  quint8 EnergyScheme = 0;
  QString EnergyVoltage;  // at most 10
  quint8 ErrorKind = 0;
  quint8 ErrorScheme = 0;
  QString ErrorTime;                      // at most 3
  std::array<QString, 10> ConfigReserve;  // unused, at most 10 characters each
  QString ProtocolNumber;                 // at most 10: number of the next report
  quint8 AutoIncrement = 0;               // 1: the reports raise ProtocolNumber after each report

  friend bool operator==(const ProgramConfig&, const ProgramConfig&) = default;
};

// The records of this run.
inline InstallationInfo Installation;
inline ProgramConfig Config;

// Names of the files below the program directory.
inline const QString kInstallationInfoFile = QStringLiteral("sources/file.ust");
inline const QString kProgramConfigFile = QStringLiteral("sources/config.prt");

// Load: a file that does not exist is written from memory (all zero at the
// first load of a run); a file shorter than one record sets the defaults and is
// deleted (the next load writes it again); of a longer file only the first
// record is read. A file that exists but cannot be read (no access, a folder
// in its place) raises std::runtime_error naming it and is left as it is.
// Save writes the whole record at once. A file that cannot be written raises
// std::runtime_error naming it.
void loadInstallationInfo();
void saveInstallationInfo();
void loadProgramConfig();
void saveProgramConfig();

// True when `name` is not empty and the file can be opened for reading.
bool fileCanOpen(const QString& name);

// "Счетчик 1" .. "Счетчик 8": the main window's label of the meter in slot 1..8;
// empty for any other slot.
QString meterCaptions(int slot);

// The byte images of the records (exactly kSize bytes), and the records read
// from at least kSize bytes.
QByteArray encodeInstallationInfo(const InstallationInfo& record);
InstallationInfo decodeInstallationInfo(const QByteArray& bytes);
QByteArray encodeProgramConfig(const ProgramConfig& record);
ProgramConfig decodeProgramConfig(const QByteArray& bytes);
