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
  const std::pair<const char*, std::function<void()>> keyActions[] = {
      {"AClick0", [&e] { e.pressDigit(0); }},
      {"AClick1", [&e] { e.pressDigit(1); }},
      {"Aclick2", [&e] { e.pressDigit(2); }},
      {"Aclick3", [&e] { e.pressDigit(3); }},
      {"Aclick4", [&e] { e.pressDigit(4); }},
      {"Aclick5", [&e] { e.pressDigit(5); }},
      {"Aclick6", [&e] { e.pressDigit(6); }},
      {"Aclick7", [&e] { e.pressDigit(7); }},
      {"Aclick8", [&e] { e.pressDigit(8); }},
      {"Aclick9", [&e] { e.pressDigit(9); }},
      {"AclickTochka", [&e] { e.pressPoint(); }},
      {"AclickMinus", [&e] { e.pressMinus(); }},
      {"AclickVsh", [&e] { e.pressCursorBack(); }},
      {"AclickVVod", [&e] { e.pressEnterKey(); }},
      {"AclickZaboy", [&e] { e.pressErase(); }},
      {"AclickSbros", [&e] { e.pressReset(); }},
      {"AclickI", [&e] { e.pressCurrentMode(); }},
      {"AclickKM", [&e] { e.pressPowerFactorMode(); }},
      {"ctrl_N", [&e] { e.pressCtrlN(); }},
      {"crtl_O", [&e] { e.pressCtrlO(); }},
      {"ASave", [this] { save(); }},
      {"ASaveOne", [this] { saveOnce(); }},
  };
  for (const auto& [name, run] : keyActions) {
    auto* action = new QAction(this);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, run);
    actions_.insert(action->objectName(), action);
  }
  actions_["ASave"]->setText(QStringLiteral("Сохранить"));
  actions_["ASaveOne"]->setText(QStringLiteral("Сохр. однократно"));
  // Ctrl+N and Ctrl+O send 14 and 15 whatever has the focus.
  actions_["ctrl_N"]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  actions_["crtl_O"]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  for (const char* name : {"ctrl_N", "crtl_O"}) {
    actions_[name]->setShortcutContext(Qt::WindowShortcut);
    addAction(actions_[name]);
  }
}

void TerminalWindow::connectButtons() {
  const std::pair<QAbstractButton*, const char*> buttons[] = {
      {ui->key0Button, "AClick0"},
      {ui->key1Button, "AClick1"},
      {ui->key2Button, "Aclick2"},
      {ui->key3Button, "Aclick3"},
      {ui->key4Button, "Aclick4"},
      {ui->key5Button, "Aclick5"},
      {ui->key6Button, "Aclick6"},
      {ui->key7Button, "Aclick7"},
      {ui->key8Button, "Aclick8"},
      {ui->key9Button, "Aclick9"},
      {ui->pointKeyButton, "AclickTochka"},
      {ui->enterKeyButton, "AclickVVod"},
      {ui->cursorBackKeyButton, "AclickVsh"},
      {ui->eraseKeyButton, "AclickZaboy"},
      {ui->minusKeyButton, "AclickMinus"},
      {ui->resetKeyButton, "AclickSbros"},
      {ui->voltageModeButton, "AclickVsh"},
      {ui->currentModeButton, "AclickI"},
      {ui->powerFactorModeButton, "AclickKM"},
      {ui->powerModeButton, "AclickMinus"},
      {ui->pages14Button, "AClick0"},
      {ui->pages58Button, "AClick1"},
      {ui->saveButton, "ASave"},
      {ui->saveOnceButton, "ASaveOne"},
  };
  for (const auto& [button, name] : buttons) {
    QAction* action = actions_.value(QString::fromLatin1(name));
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
    actions_["AclickZaboy"]->trigger();
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
    actions_.insert(test->objectName(), test);
  }
}

const TerminalWindow::ParameterEdit* TerminalWindow::editOf(const QObject* widget) const {
  for (const ParameterEdit& edit : parameterEdits_) {
    if (edit.edit == widget) return &edit;
  }
  return nullptr;
}

// The nine entry fields: the parameters and the computed energy.
bool TerminalWindow::isEntryField(const QObject* widget) const { return widget == ui->energyEdit || editOf(widget); }

bool TerminalWindow::movesFocusOnEnter(const QObject* widget) const {
  return widget != ui->energyVoltageEdit && widget != ui->energyEdit && editOf(widget);
}

bool TerminalWindow::entryFieldHasFocus() const { return isEntryField(focusWidget()) && focusWidget()->hasFocus(); }

// Enter in any field clamps all of them, in a fixed order.
void TerminalWindow::validateAllFields() {
  for (const ParameterField field : ValidationOrder) {
    for (const ParameterEdit& edit : parameterEdits_) {
      if (edit.field == field) edit.test->trigger();
    }
  }
}
