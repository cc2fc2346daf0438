#include "SimInstrument.h"

#include "link/KeyCodes.h"

namespace {

constexpr int MaxEntry = 10;

struct StepText {
  const char16_t* title;
  const char16_t* hint;
};

StepText textOf(int step) {
  static const StepText texts[] = {
      {u"ВИД МОЩНОСТИ", u"1-АКТИВ 2-РЕАКТ"}, {u"СХЕМА ВКЛЮЧЕНИЯ", u"1..3 ФАЗ 4,5 ПР"},
      {u"НАПРЯЖЕНИЕ, В", u"46.1 ... 456"},   {u"ТОК, А", u"0.01 ... 10"},
      {u"ЧИСЛО ДЕЛЕНИЙ", u"1 ... 99999"},    {u"ВРЕМЯ ИЗМЕР., С", u"1 ... 999"},
      {u"ПОСТ. СЧЕТЧИКА", u"ИМП/ВТ*Ч"},
  };
  return texts[step];
}

bool isDigit(uint8_t key) { return key >= '0' && key <= '9'; }

}  // namespace

SimInstrument::SimInstrument(const SimScenario& scenario) : scenario_(scenario), random_(scenario.seed) {}

QStringList SimInstrument::takeLog() { return std::exchange(log_, {}); }

double SimInstrument::vary(double value) {
  if (scenario_.noise == 0) return value;
  std::uniform_real_distribution<double> spread(-scenario_.noise, scenario_.noise);
  return value * (1 + spread(random_));
}

QByteArray SimInstrument::show(Screen screen) {
  screen_ = screen;
  return draw();
}

QByteArray SimInstrument::draw() {
  if (!remote_) return {};
  const bool lineLabels = scheme_ == 4;
  std::array<double, 3> phases{};
  switch (screen_) {
    case Screen::MainMenu:
      return drawLines(mainMenuRows(menuChoice_));
    case Screen::Dialog: {
      const StepText text = textOf(static_cast<int>(steps_.front()));
      return drawLines(dialogRows(QString::fromUtf16(text.title), QString::fromUtf16(text.hint), entry_)) +
             cursorTo(DialogEntryRow, DialogEntryColumn + static_cast<int>(entry_.size()));
    }
    case Screen::Voltage:
      for (int phase = 0; phase < 3; ++phase) phases[phase] = vary(scenario_.phaseVoltage(phase));
      return drawAddressed(voltageRows(phases, lineLabels));
    case Screen::Current:
      for (int phase = 0; phase < 3; ++phase) phases[phase] = vary(scenario_.phaseCurrent(phase));
      return drawAddressed(currentRows(phases, scenario_.showsMilliamperes(), lineLabels));
    case Screen::PowerFactor:
      return drawAddressed(
          powerFactorRows(scenario_.powerFactor, scenario_.powerFactorDecimals, scenario_.angle));
    case Screen::Power:
      return drawAddressed(powerRows(vary(scenario_.totalPower()), reactive_, scheme_, counting_));
    case Screen::Errors14:
    case Screen::Errors58: {
      std::array<std::optional<double>, 8> errors = scenario_.errors;
      std::uniform_real_distribution<double> spread(-scenario_.errorNoise, scenario_.errorNoise);
      for (auto& error : errors) {
        if (error && scenario_.errorNoise > 0) *error += spread(random_);
      }
      return drawAddressed(errorPageRows(screen_ == Screen::Errors14 ? 0 : 1, errors));
    }
  }
  return {};
}

QByteArray SimInstrument::refresh() { return isMeasuring() ? draw() : QByteArray(); }

QByteArray SimInstrument::key(uint8_t key) {
  switch (key) {
    case KeyCode::LinkStart:
      remote_ = true;
      return draw();
    case KeyCode::LinkEnd:
      remote_ = false;
      return {};
    case KeyCode::Reset:
      menuChoice_ = u' ';
      return show(Screen::MainMenu);
    case KeyCode::Vsh:
      return show(Screen::Voltage);
    default:
      break;
  }
  if (screen_ == Screen::MainMenu) return menuKey(key);
  if (screen_ == Screen::Dialog) return dialogKey(key);
  return measuringKey(key);
}

QByteArray SimInstrument::measuringKey(uint8_t key) {
  switch (key) {
    case KeyCode::Minus: {
      static const Screen next[] = {Screen::MainMenu, Screen::Dialog,   Screen::Current, Screen::PowerFactor,
                                    Screen::Power,    Screen::Errors14, Screen::Voltage, Screen::Voltage};
      return show(next[static_cast<int>(screen_)]);
    }
    case '0':
      return show(Screen::Errors14);
    case '1':
      return show(Screen::Errors58);
    case KeyCode::Enter:  // a new measurement: fresh readings
      return draw();
    case KeyCode::Point:
      if (screen_ != Screen::Power) return {};
      counting_ = !counting_;
      log_ << (counting_ ? QStringLiteral("energy count started") : QStringLiteral("energy count stopped"));
      return draw();
    default:
      return {};  // ЗБ and the other digits do nothing here
  }
}

QByteArray SimInstrument::echo(int row, int column, char ch) {
  return remote_ ? cursorTo(row, column) + QByteArray(1, ch) : QByteArray();
}

// The instrument blanks the character and steps back.
QByteArray SimInstrument::eraseEntry(int row, int column) {
  return remote_ ? cursorTo(row, column) + ' ' + cursorTo(row, column) : QByteArray();
}

QByteArray SimInstrument::menuKey(uint8_t key) {
  if (key >= '1' && key <= '3') {
    menuChoice_ = QChar(key);
    return echo(MenuEntryRow, MenuEntryColumn, static_cast<char>(key));
  }
  if (key == KeyCode::Erase && menuChoice_ != u' ') {
    menuChoice_ = u' ';
    return eraseEntry(MenuEntryRow, MenuEntryColumn);
  }
  if (key == KeyCode::Enter && menuChoice_ != u' ') {
    const int mode = menuChoice_.unicode() - u'0';
    menuChoice_ = u' ';
    return startDialog(mode);
  }
  return {};
}

QByteArray SimInstrument::startDialog(int mode) {
  dialogMode_ = mode;
  steps_ = {Step::Kind, Step::Scheme, Step::Voltage};
  if (mode == 1) steps_ << Step::Current << Step::Divisions << Step::Time;
  if (mode == 3) steps_ << Step::Constant << Step::Time;
  answers_.clear();
  entry_.clear();
  return show(Screen::Dialog);
}

QByteArray SimInstrument::dialogKey(uint8_t key) {
  const int column = DialogEntryColumn + static_cast<int>(entry_.size());
  if ((isDigit(key) || key == KeyCode::Point) && entry_.size() < MaxEntry) {
    entry_ += QChar(key);
    return echo(DialogEntryRow, column, static_cast<char>(key));
  }
  if (key == KeyCode::Erase && !entry_.isEmpty()) {
    entry_.chop(1);
    return eraseEntry(DialogEntryRow, column - 1);
  }
  if (key == KeyCode::Enter) return confirmStep();
  return {};
}

QByteArray SimInstrument::confirmStep() {
  const Step step = steps_.front();
  bool valid = !entry_.isEmpty();
  if (step == Step::Kind) valid = entry_ == u"1" || entry_ == u"2";
  if (step == Step::Scheme) valid = entry_.size() == 1 && entry_ >= u"1" && entry_ <= u"5";
  if (!valid) {
    log_ << QStringLiteral("entry \"%1\" refused").arg(entry_);
    entry_.clear();
    return draw();
  }
  answers_ << entry_;
  if (step == Step::Kind) {
    reactive_ = entry_ == u"2";
    if (reactive_) steps_.removeOne(Step::Scheme);  // reactive power has no scheme
  }
  if (step == Step::Scheme) scheme_ = entry_.toInt();
  entry_.clear();
  steps_.removeFirst();
  if (!steps_.isEmpty()) return draw();
  finishProgramming();
  return show(dialogMode_ == 3 ? Screen::Errors14 : Screen::Power);
}

void SimInstrument::finishProgramming() {
  static const char* const modes[] = {"", "power", "energy", "error"};
  log_ << QStringLiteral("programmed %1 mode: %2")
              .arg(QString::fromLatin1(modes[dialogMode_]), answers_.join(u' '));
}
