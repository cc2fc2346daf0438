#pragma once

#include <QByteArray>
#include <QString>

// The key sequences that walk the instrument's menus to set up one of its
// three measurement modes. Every key is one byte: digits and "." as their
// characters, ВВ as 13; texts of the entry fields are copied as they stand.

enum class ProgrammingMode { Power = 1, Energy = 2, Error = 3 };
enum class PowerKind { Active = 1, Reactive = 2 };
// Connection schemes in the order of their digits "1".."5".
enum class ConnectionScheme { SinglePhase = 1, TwoPhase, ThreePhase, ThreeWire, FourWire };

struct ProgrammingRun {
  ProgrammingMode mode = ProgrammingMode::Power;
  PowerKind kind = PowerKind::Active;
  QByteArray keys;
};

// Mode "1": voltage, current, number of divisions, measuring time.
ProgrammingRun powerModeRun(PowerKind kind, ConnectionScheme scheme, const QString& voltage,
                            const QString& current, const QString& divisions, const QString& time);
// Mode "2": voltage.
ProgrammingRun energyModeRun(PowerKind kind, ConnectionScheme scheme, const QString& voltage);
// Mode "3": voltage, meter constant (imp/kWh, entered per Wh), measuring time.
ProgrammingRun errorModeRun(PowerKind kind, ConnectionScheme scheme, const QString& voltage,
                            const QString& meterConstant, const QString& time);

// The meter constant as the instrument takes it: imp/kWh divided by 1000.
QString constantPerWattHour(const QString& meterConstant);

// The operator's notice when a required field is empty.
inline const QString ProgrammingCaption = QStringLiteral("Режим автоматического программирования");
QString missingParametersText(ProgrammingMode mode);
