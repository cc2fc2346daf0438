#include "SimInstrument.h"

#include "link/KeyCodes.h"

namespace {

constexpr int MaxEntry = 10;

struct StepText {
  const char16_t* title;
  const char16_t* hint;
};

StepText TextOf(int step) {
  static const StepText texts[] = {
      {u"ВИД МОЩНОСТИ", u"1-АКТИВ 2-РЕАКТ"}, {u"СХЕМА ВКЛЮЧЕНИЯ", u"1..3 ФАЗ 4,5 ПР"},
      {u"НАПРЯЖЕНИЕ, В", u"46.1 ... 456"},   {u"ТОК, А", u"0.01 ... 10"},
      {u"ЧИСЛО ДЕЛЕНИЙ", u"1 ... 99999"},    {u"ВРЕМЯ ИЗМЕР., С", u"1 ... 999"},
      {u"ПОСТ. СЧЕТЧИКА", u"ИМП/ВТ*Ч"},
  };
  return texts[step];
}

bool IsDigit(uint8_t key) { return key >= '0' && key <= '9'; }

}  // namespace

SimInstrument::SimInstrument(const SimScenario& scenario) : scenario_(scenario), random_(scenario.seed) {}

QStringList SimInstrument::TakeLog() { return std::exchange(log_, {}); }

double SimInstrument::Vary(double value) {
  if (scenario_.noise == 0) return value;
  std::uniform_real_distribution<double> spread(-scenario_.noise, scenario_.noise);
  return value * (1 + spread(random_));
}

QByteArray SimInstrument::Show(Screen screen) {
  screen_ = screen;
  return Draw();
}

QByteArray SimInstrument::Draw() {
  if (!remote_) return {};
  const bool lineLabels = scheme_ == 4;
  std::array<double, 3> phases{};
  switch (screen_) {
    case Screen::MainMenu:
      return DrawLines(MainMenuRows(menuChoice_));
    case Screen::Dialog: {
      const StepText text = TextOf(static_cast<int>(steps_.front()));
      return DrawLines(DialogRows(QString::fromUtf16(text.title), QString::fromUtf16(text.hint), entry_)) +
             CursorTo(DialogEntryRow, DialogEntryColumn + static_cast<int>(entry_.size()));
    }
    case Screen::Voltage:
      for (int phase = 0; phase < 3; ++phase) phases[phase] = Vary(scenario_.PhaseVoltage(phase));
      return DrawAddressed(VoltageRows(phases, lineLabels));
    case Screen::Current:
      for (int phase = 0; phase < 3; ++phase) phases[phase] = Vary(scenario_.PhaseCurrent(phase));
      return DrawAddressed(CurrentRows(phases, scenario_.ShowsMilliamperes(), lineLabels));
    case Screen::PowerFactor:
      return DrawAddressed(PowerFactorRows(scenario_.powerFactor, scenario_.angle));
    case Screen::Power:
      return DrawAddressed(PowerRows(Vary(scenario_.Power()), reactive_, scheme_, counting_));
    case Screen::Errors14:
    case Screen::Errors58: {
      std::array<std::optional<double>, 8> errors = scenario_.errors;
      std::uniform_real_distribution<double> spread(-scenario_.errorNoise, scenario_.errorNoise);
      for (auto& error : errors) {
        if (error && scenario_.errorNoise > 0) *error += spread(random_);
      }
      return DrawAddressed(ErrorPageRows(screen_ == Screen::Errors14 ? 0 : 1, errors));
    }
  }
  return {};
}

QByteArray SimInstrument::Refresh() { return IsMeasuring() ? Draw() : QByteArray(); }

QByteArray SimInstrument::Key(uint8_t key) {
  switch (key) {
    case KeyCode::LinkStart:
      remote_ = true;
      return Draw();
    case KeyCode::LinkEnd:
      remote_ = false;
      return {};
    case KeyCode::Reset:
      menuChoice_ = u' ';
      return Show(Screen::MainMenu);
    case KeyCode::Vsh:
      return Show(Screen::Voltage);
    default:
      break;
  }
  if (screen_ == Screen::MainMenu) return MenuKey(key);
  if (screen_ == Screen::Dialog) return DialogKey(key);
  return MeasuringKey(key);
}

QByteArray SimInstrument::MeasuringKey(uint8_t key) {
  switch (key) {
    case KeyCode::Minus: {
      static const Screen next[] = {Screen::MainMenu, Screen::Dialog,   Screen::Current, Screen::PowerFactor,
                                    Screen::Power,    Screen::Errors14, Screen::Voltage, Screen::Voltage};
      return Show(next[static_cast<int>(screen_)]);
    }
    case '0':
      return Show(Screen::Errors14);
    case '1':
      return Show(Screen::Errors58);
    case KeyCode::Enter:  // a new measurement: fresh readings
      return Draw();
    case KeyCode::Point:
      if (screen_ != Screen::Power) return {};
      counting_ = !counting_;
      log_ << (counting_ ? QStringLiteral("energy count started") : QStringLiteral("energy count stopped"));
      return Draw();
    default:
      return {};  // ЗБ and the other digits do nothing here
  }
}

QByteArray SimInstrument::Echo(int row, int column, char ch) {
  return remote_ ? CursorTo(row, column) + QByteArray(1, ch) : QByteArray();
}

// The instrument blanks the character and steps back.
QByteArray SimInstrument::EraseEntry(int row, int column) {
  return remote_ ? CursorTo(row, column) + ' ' + CursorTo(row, column) : QByteArray();
}

QByteArray SimInstrument::MenuKey(uint8_t key) {
  if (key >= '1' && key <= '3') {
    menuChoice_ = QChar(key);
    return Echo(MenuEntryRow, MenuEntryColumn, static_cast<char>(key));
  }
  if (key == KeyCode::Erase && menuChoice_ != u' ') {
    menuChoice_ = u' ';
    return EraseEntry(MenuEntryRow, MenuEntryColumn);
  }
  if (key == KeyCode::Enter && menuChoice_ != u' ') {
    const int mode = menuChoice_.unicode() - u'0';
    menuChoice_ = u' ';
    return StartDialog(mode);
  }
  return {};
}

QByteArray SimInstrument::StartDialog(int mode) {
  dialogMode_ = mode;
  steps_ = {Step::Kind, Step::Scheme, Step::Voltage};
  if (mode == 1) steps_ << Step::Current << Step::Divisions << Step::Time;
  if (mode == 3) steps_ << Step::Constant << Step::Time;
  answers_.clear();
  entry_.clear();
  return Show(Screen::Dialog);
}

QByteArray SimInstrument::DialogKey(uint8_t key) {
  const int column = DialogEntryColumn + static_cast<int>(entry_.size());
  if ((IsDigit(key) || key == KeyCode::Point) && entry_.size() < MaxEntry) {
    entry_ += QChar(key);
    return Echo(DialogEntryRow, column, static_cast<char>(key));
  }
  if (key == KeyCode::Erase && !entry_.isEmpty()) {
    entry_.chop(1);
    return EraseEntry(DialogEntryRow, column - 1);
  }
  if (key == KeyCode::Enter) return ConfirmStep();
  return {};
}

QByteArray SimInstrument::ConfirmStep() {
  const Step step = steps_.front();
  bool valid = !entry_.isEmpty();
  if (step == Step::Kind) valid = entry_ == u"1" || entry_ == u"2";
  if (step == Step::Scheme) valid = entry_.size() == 1 && entry_ >= u"1" && entry_ <= u"5";
  if (!valid) {
    log_ << QStringLiteral("entry \"%1\" refused").arg(entry_);
    entry_.clear();
    return Draw();
  }
  answers_ << entry_;
  if (step == Step::Kind) {
    reactive_ = entry_ == u"2";
    if (reactive_) steps_.removeOne(Step::Scheme);  // reactive power has no scheme
  }
  if (step == Step::Scheme) scheme_ = entry_.toInt();
  entry_.clear();
  steps_.removeFirst();
  if (!steps_.isEmpty()) return Draw();
  FinishProgramming();
  return Show(dialogMode_ == 3 ? Screen::Errors14 : Screen::Power);
}

void SimInstrument::FinishProgramming() {
  static const char* const modes[] = {"", "power", "energy", "error"};
  log_ << QStringLiteral("programmed %1 mode: %2")
              .arg(QString::fromLatin1(modes[dialogMode_]), answers_.join(u' '));
}
