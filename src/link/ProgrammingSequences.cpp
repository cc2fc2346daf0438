#include "link/ProgrammingSequences.h"

#include "link/KeyCodes.h"
#include "settings/Cp1251.h"
#include "settings/NumericText.h"

namespace {

class KeySequence {
 public:
  KeySequence& choice(int digit) {
    keys_.append(static_cast<char>(KeyCode::digit(digit)));
    return enter();
  }
  KeySequence& value(const QString& text) {
    keys_.append(cp1251::encode(text));
    return enter();
  }
  QByteArray keys() const { return keys_; }

 private:
  KeySequence& enter() {
    keys_.append(static_cast<char>(KeyCode::Enter));
    return *this;
  }
  QByteArray keys_;
};

// Mode, power kind and, for active power only, the scheme.
KeySequence heading(ProgrammingMode mode, PowerKind kind, ConnectionScheme scheme) {
  KeySequence sequence;
  sequence.choice(static_cast<int>(mode)).choice(static_cast<int>(kind));
  if (kind == PowerKind::Active) sequence.choice(static_cast<int>(scheme));
  return sequence;
}

}  // namespace

ProgrammingRun powerModeRun(PowerKind kind, ConnectionScheme scheme, const QString& voltage,
                            const QString& current, const QString& divisions, const QString& time) {
  const ProgrammingMode mode = ProgrammingMode::Power;
  return {mode, kind,
          heading(mode, kind, scheme).value(voltage).value(current).value(divisions).value(time).keys()};
}

ProgrammingRun energyModeRun(PowerKind kind, ConnectionScheme scheme, const QString& voltage) {
  const ProgrammingMode mode = ProgrammingMode::Energy;
  return {mode, kind, heading(mode, kind, scheme).value(voltage).keys()};
}

ProgrammingRun errorModeRun(PowerKind kind, ConnectionScheme scheme, const QString& voltage,
                            const QString& meterConstant, const QString& time) {
  const ProgrammingMode mode = ProgrammingMode::Error;
  return {mode, kind,
          heading(mode, kind, scheme)
              .value(voltage)
              .value(constantPerWattHour(meterConstant))
              .value(time)
              .keys()};
}

QString constantPerWattHour(const QString& meterConstant) {
  return numberToText(textToNumber(meterConstant) / 1000);
}

QString missingParametersText(ProgrammingMode mode) {
  return mode == ProgrammingMode::Error
             ? QStringLiteral("Необходимо выбрать базу счетчиков или задать значение всех параметров")
             : QStringLiteral("Необходимо задать значение всех параметров");
}
