// libFuzzer target: arbitrary bytes through the link engine. Byte 0xFE takes
// the next byte as an operator's action (keys, programming, saving, time
// passing), so that the decoder is exercised in every state the keypad and
// the timers can put it in.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "link/LinkEngine.h"
#include "link/VirtualLinkDriver.h"

namespace {

class CountingOwner final : public LinkOwner {
 public:
  void sendKey(uint8_t) override { ++keys; }
  long keys = 0;
};

void Check(bool condition) {
  if (!condition) std::abort();
}

void Act(LinkEngine& engine, VirtualLinkDriver& driver, uint8_t action) {
  const int op = action & 0x1F;
  const int arg = action >> 5;  // 0..7
  const auto kind = arg & 1 ? PowerKind::Reactive : PowerKind::Active;
  const auto scheme = static_cast<ConnectionScheme>(arg % 5 + 1);
  switch (op) {
    case 0:
      engine.pressDigit(arg);
      break;
    case 1:
      engine.pressPoint();
      break;
    case 2:
      engine.pressMinus();
      break;
    case 3:
      engine.pressCursorBack();
      break;
    case 4:
      engine.pressEnterKey();
      break;
    case 5:
      engine.pressErase();
      break;
    case 6:
      engine.pressReset();
      break;
    case 7:
      engine.pressCurrentMode();
      break;
    case 8:
      engine.pressPowerFactorMode();
      break;
    case 9:
      engine.pressCtrlN();
      break;
    case 10:
      engine.saveOnce();
      break;
    case 11:
      engine.program(powerModeRun(kind, scheme, "220", "5", "10", "60"));
      break;
    case 12:
      engine.program(errorModeRun(kind, scheme, "220", "1600", "10"));
      break;
    case 13:
      engine.toggleEnergyCount();
      break;
    case 14:
      engine.idleTurn();
      break;
    case 15:
      driver.advance(arg * 150 + 1);
      break;
    case 16:
      engine.keyTyped(QChar(0x20 + arg * 13));
      break;
    case 17:
      engine.resetTerminal();
      break;
    case 18:
      engine.resetControls();
      break;
    case 19:
      engine.setActiveTab(arg % 3);
      break;
    case 20:
      engine.setBaseChosen(arg & 1);
      break;
    case 21:
      engine.program(energyModeRun(kind, scheme, "220"));
      break;
    default:
      driver.advance(1000);
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MeasuredValues values;
  LinkEngine engine(values);
  CountingOwner owner;
  VirtualLinkDriver driver(engine, &owner);
  engine.resetTerminal();
  engine.setBaseChosen(true);
  engine.setActiveTab(LinkEngine::ErrorTab);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0xFE && i + 1 < size) {
      Act(engine, driver, data[++i]);
    } else {
      engine.byteArrived(data[i]);
    }
  }
  driver.advance(1000);

  for (const QString& text : values.phaseVoltageText) Check(text.size() <= MeasuredValues::TextWidth);
  for (const QString& text : values.phaseCurrentText) Check(text.size() <= MeasuredValues::TextWidth);
  for (const QString& text : values.meterErrorText) Check(text.size() <= MeasuredValues::TextWidth);
  Check(values.powerFactorText.size() <= MeasuredValues::PowerFactorWidth);
  Check(engine.recognition().screenMode >= VoltageScreen && engine.recognition().screenMode <= OtherScreen);
  return 0;
}
