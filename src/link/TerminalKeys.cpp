// The terminal window's keypad and keyboard: the key actions, the buttons
// that run them, the keyboard dispatch, and the entry fields' key rules.
#include <QAction>
#include <QKeyEvent>

#include "link/TerminalWindow.h"
#include "ui_TerminalWindow.h"

namespace {

// The character a key press stands for in the keypad's dispatch: Backspace,
// Enter and Esc by their codes, anything else by its text.
QChar keyCharacter(const QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Backspace:
      return QChar(8);
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return QChar(13);
    case Qt::Key_Escape:
      return QChar(27);
    default:
      break;
  }
  const QString text = event->text();
  return text.size() == 1 ? text.front() : QChar();
}

}  // namespace

void TerminalWindow::createActions() {
  LinkEngine& e = engine_;
  const std::tuple<InstrumentKey, const char*, std::function<void()>> keyActions[] = {
      {InstrumentKey::Digit0, "key0Action", [&e] { e.pressDigit(0); }},
      {InstrumentKey::Digit1, "key1Action", [&e] { e.pressDigit(1); }},
      {InstrumentKey::Digit2, "key2Action", [&e] { e.pressDigit(2); }},
      {InstrumentKey::Digit3, "key3Action", [&e] { e.pressDigit(3); }},
      {InstrumentKey::Digit4, "key4Action", [&e] { e.pressDigit(4); }},
      {InstrumentKey::Digit5, "key5Action", [&e] { e.pressDigit(5); }},
      {InstrumentKey::Digit6, "key6Action", [&e] { e.pressDigit(6); }},
      {InstrumentKey::Digit7, "key7Action", [&e] { e.pressDigit(7); }},
      {InstrumentKey::Digit8, "key8Action", [&e] { e.pressDigit(8); }},
      {InstrumentKey::Digit9, "key9Action", [&e] { e.pressDigit(9); }},
      {InstrumentKey::Point, "pointKeyAction", [&e] { e.pressPoint(); }},
      {InstrumentKey::Minus, "minusKeyAction", [&e] { e.pressMinus(); }},
      {InstrumentKey::CursorBack, "cursorBackKeyAction", [&e] { e.pressCursorBack(); }},
      {InstrumentKey::Enter, "enterKeyAction", [&e] { e.pressEnterKey(); }},
      {InstrumentKey::Erase, "eraseKeyAction", [&e] { e.pressErase(); }},
      {InstrumentKey::Reset, "resetKeyAction", [&e] { e.pressReset(); }},
      {InstrumentKey::CurrentMode, "currentModeAction", [&e] { e.pressCurrentMode(); }},
      {InstrumentKey::PowerFactorMode, "powerFactorModeAction", [&e] { e.pressPowerFactorMode(); }},
      {InstrumentKey::LinkStart, "linkStartAction", [&e] { e.pressCtrlN(); }},
      {InstrumentKey::LinkEnd, "linkEndAction", [&e] { e.pressCtrlO(); }},
      {InstrumentKey::Save, "saveAction", [this] { save(); }},
      {InstrumentKey::SaveOnce, "saveOnceAction", [this] { saveOnce(); }},
  };
  for (const auto& [key, name, run] : keyActions) {
    auto* action = new QAction(this);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, run);
    keyActions_[static_cast<size_t>(key)] = action;
  }
  keyAction(InstrumentKey::Save)->setText(QStringLiteral("Сохранить"));
  keyAction(InstrumentKey::SaveOnce)->setText(QStringLiteral("Сохр. однократно"));
  // Ctrl+N and Ctrl+O send 14 and 15 whatever has the focus.
  keyAction(InstrumentKey::LinkStart)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  keyAction(InstrumentKey::LinkEnd)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  for (const InstrumentKey key : {InstrumentKey::LinkStart, InstrumentKey::LinkEnd}) {
    keyAction(key)->setShortcutContext(Qt::WindowShortcut);
    addAction(keyAction(key));
  }
}

void TerminalWindow::connectButtons() {
  const std::pair<QAbstractButton*, InstrumentKey> buttons[] = {
      {ui->key0Button, InstrumentKey::Digit0},
      {ui->key1Button, InstrumentKey::Digit1},
      {ui->key2Button, InstrumentKey::Digit2},
      {ui->key3Button, InstrumentKey::Digit3},
      {ui->key4Button, InstrumentKey::Digit4},
      {ui->key5Button, InstrumentKey::Digit5},
      {ui->key6Button, InstrumentKey::Digit6},
      {ui->key7Button, InstrumentKey::Digit7},
      {ui->key8Button, InstrumentKey::Digit8},
      {ui->key9Button, InstrumentKey::Digit9},
      {ui->pointKeyButton, InstrumentKey::Point},
      {ui->enterKeyButton, InstrumentKey::Enter},
      {ui->cursorBackKeyButton, InstrumentKey::CursorBack},
      {ui->eraseKeyButton, InstrumentKey::Erase},
      {ui->minusKeyButton, InstrumentKey::Minus},
      {ui->resetKeyButton, InstrumentKey::Reset},
      {ui->voltageModeButton, InstrumentKey::CursorBack},
      {ui->currentModeButton, InstrumentKey::CurrentMode},
      {ui->powerFactorModeButton, InstrumentKey::PowerFactorMode},
      {ui->powerModeButton, InstrumentKey::Minus},
      {ui->pages14Button, InstrumentKey::Digit0},
      {ui->pages58Button, InstrumentKey::Digit1},
      {ui->saveButton, InstrumentKey::Save},
      {ui->saveOnceButton, InstrumentKey::SaveOnce},
  };
  for (const auto& [button, key] : buttons) {
    QAction* action = keyAction(key);
    connect(button, &QAbstractButton::clicked, action, &QAction::trigger);
  }
  connect(ui->energyButton, &QPushButton::clicked, this, &TerminalWindow::toggleEnergyCount);
  connect(ui->programPowerButton, &QPushButton::clicked, this, &TerminalWindow::programPower);
  connect(ui->programEnergyButton, &QPushButton::clicked, this, &TerminalWindow::programEnergy);
  connect(ui->programErrorButton, &QPushButton::clicked, this, &TerminalWindow::programError);
  connect(ui->detailsButton, &QToolButton::toggled, this, &TerminalWindow::toggleDetails);
  connect(ui->programmingTabs, &QTabWidget::currentChanged, this, &TerminalWindow::onProgrammingTabChanged);
}

// --- keyboard ---

bool TerminalWindow::formKeyPress(QKeyEvent* event) {
  if (entryFieldHasFocus()) return false;
  // Delete is the ЗБ key.
  if (event->key() == Qt::Key_Delete) {
    keyAction(InstrumentKey::Erase)->trigger();
    return true;
  }
  const QChar key = keyCharacter(event);
  return !key.isNull() && engine_.keyTyped(key);
}

bool TerminalWindow::controlKeyPress(QWidget* control, QKeyEvent* event) {
  if (!isEntryField(control)) return false;
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    validateAllFields();
    return true;
  }
  // Only characters are filtered; editing and navigation keys work as usual.
  const QString text = event->text();
  if (text.isEmpty() || text.front() < QChar(32)) return false;
  return !fieldAcceptsKey(text.front());
}

bool TerminalWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyRelease && movesFocusOnEnter(watched)) {
    // Enter released in a field moves on to the next control.
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) focusNextChild();
  } else if (event->type() == QEvent::FocusOut) {
    // Leaving a parameter field clamps it into its range.
    if (const ParameterEdit* edit = editOf(watched)) edit->test->trigger();
  }
  return OpenedWindow::eventFilter(watched, event);
}

// --- entry fields ---

void TerminalWindow::createValidationActions() {
  const std::tuple<ParameterField, QLineEdit*, const char*> fields[] = {
      {ParameterField::PowerVoltage, ui->powerVoltageEdit, "checkPowerVoltage"},
      {ParameterField::PowerCurrent, ui->powerCurrentEdit, "checkPowerCurrent"},
      {ParameterField::Divisions, ui->divisionsEdit, "checkDivisions"},
      {ParameterField::PowerTime, ui->powerTimeEdit, "checkPowerTime"},
      {ParameterField::EnergyVoltage, ui->energyVoltageEdit, "checkEnergyVoltage"},
      {ParameterField::ErrorVoltage, ui->errorVoltageEdit, "checkErrorVoltage"},
      {ParameterField::MeterConstant, ui->meterConstantEdit, "checkMeterConstant"},
      {ParameterField::ErrorTime, ui->errorTimeEdit, "checkErrorTime"},
  };
  for (const auto& [field, edit, name] : fields) {
    auto* test = new QAction(this);
    test->setObjectName(QString::fromLatin1(name));
    connect(test, &QAction::triggered, this,
            [field, edit] { edit->setText(clampFieldText(field, edit->text())); });
    parameterEdits_.append({field, edit, test});
  }
}

const TerminalWindow::ParameterEdit* TerminalWindow::editOf(const QObject* widget) const {
  for (const ParameterEdit& edit : parameterEdits_) {
    if (edit.edit == widget) return &edit;
  }
  return nullptr;
}

// The nine entry fields: the parameters and the computed energy.
bool TerminalWindow::isEntryField(const QObject* widget) const {
  return widget == ui->energyEdit || editOf(widget);
}

bool TerminalWindow::movesFocusOnEnter(const QObject* widget) const {
  return widget != ui->energyVoltageEdit && widget != ui->energyEdit && editOf(widget);
}

bool TerminalWindow::entryFieldHasFocus() const {
  return isEntryField(focusWidget()) && focusWidget()->hasFocus();
}

// Enter in any field clamps all of them, in a fixed order.
void TerminalWindow::validateAllFields() {
  for (const ParameterField field : ValidationOrder) {
    for (const ParameterEdit& edit : parameterEdits_) {
      if (edit.field == field) edit.test->trigger();
    }
  }
}
