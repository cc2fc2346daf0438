#include "link/ProgrammingSequences.h"

#include "link/KeyCodes.h"
#include "settings/Cp1251.h"
#include "settings/NumericText.h"

namespace {

class KeySequence {
 public:
  KeySequence& Choice(int digit) {
    keys_.append(static_cast<char>(KeyCode::Digit(digit)));
    return Enter();
  }
  KeySequence& Value(const QString& text) {
    keys_.append(cp1251::encode(text));
    return Enter();
  }
  QByteArray Keys() const { return keys_; }

 private:
  KeySequence& Enter() {
    keys_.append(static_cast<char>(KeyCode::Enter));
    return *this;
  }
  QByteArray keys_;
};

// Mode, power kind and, for active power only, the scheme.
KeySequence Heading(ProgrammingMode mode, PowerKind kind, ConnectionScheme scheme) {
  KeySequence sequence;
  sequence.Choice(static_cast<int>(mode)).Choice(static_cast<int>(kind));
  if (kind == PowerKind::Active) sequence.Choice(static_cast<int>(scheme));
  return sequence;
}

}  // namespace

ProgrammingRun PowerModeRun(PowerKind kind, ConnectionScheme scheme, const QString& voltage,
                            const QString& current, const QString& divisions, const QString& time) {
  const ProgrammingMode mode = ProgrammingMode::Power;
  return {mode, kind,
          Heading(mode, kind, scheme).Value(voltage).Value(current).Value(divisions).Value(time).Keys()};
}

ProgrammingRun EnergyModeRun(PowerKind kind, ConnectionScheme scheme, const QString& voltage) {
  const ProgrammingMode mode = ProgrammingMode::Energy;
  return {mode, kind, Heading(mode, kind, scheme).Value(voltage).Keys()};
}

ProgrammingRun ErrorModeRun(PowerKind kind, ConnectionScheme scheme, const QString& voltage,
                            const QString& meterConstant, const QString& time) {
  const ProgrammingMode mode = ProgrammingMode::Error;
  return {mode, kind,
          Heading(mode, kind, scheme)
              .Value(voltage)
              .Value(ConstantPerWattHour(meterConstant))
              .Value(time)
              .Keys()};
}

QString ConstantPerWattHour(const QString& meterConstant) {
  return NumberToText(TextToNumber(meterConstant) / 1000);
}

QString MissingParametersText(ProgrammingMode mode) {
  return mode == ProgrammingMode::Error
             ? QStringLiteral("Необходимо выбрать базу счетчиков или задать значение всех параметров")
             : QStringLiteral("Необходимо задать значение всех параметров");
}
