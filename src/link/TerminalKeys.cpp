// The terminal window's keypad and keyboard: the key actions, the buttons
// that run them, the keyboard dispatch, and the entry fields' key rules.
#include <QAction>
#include <QKeyEvent>

#include "link/Unit3417.h"
#include "ui_Unit3417.h"

namespace {

// The character a key press stands for in the keypad's dispatch: Backspace,
// Enter and Esc by their codes, anything else by its text.
QChar KeyCharacter(const QKeyEvent* event) {
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

void TForm1::CreateActions() {
  LinkEngine& e = engine_;
  const std::pair<const char*, std::function<void()>> keyActions[] = {
      {"AClick0", [&e] { e.AClickDigitExecute(0); }},
      {"AClick1", [&e] { e.AClickDigitExecute(1); }},
      {"Aclick2", [&e] { e.AClickDigitExecute(2); }},
      {"Aclick3", [&e] { e.AClickDigitExecute(3); }},
      {"Aclick4", [&e] { e.AClickDigitExecute(4); }},
      {"Aclick5", [&e] { e.AClickDigitExecute(5); }},
      {"Aclick6", [&e] { e.AClickDigitExecute(6); }},
      {"Aclick7", [&e] { e.AClickDigitExecute(7); }},
      {"Aclick8", [&e] { e.AClickDigitExecute(8); }},
      {"Aclick9", [&e] { e.AClickDigitExecute(9); }},
      {"AclickTochka", [&e] { e.AclickTochkaExecute(); }},
      {"AclickMinus", [&e] { e.AclickMinusExecute(); }},
      {"AclickVsh", [&e] { e.AclickVshExecute(); }},
      {"AclickVVod", [&e] { e.AclickVVodExecute(); }},
      {"AclickZaboy", [&e] { e.AclickZaboyExecute(); }},
      {"AclickSbros", [&e] { e.AclickSbrosExecute(); }},
      {"AclickI", [&e] { e.AclickIExecute(); }},
      {"AclickKM", [&e] { e.AclickKMExecute(); }},
      {"ctrl_N", [&e] { e.ctrl_NExecute(); }},
      {"crtl_O", [&e] { e.crtl_OExecute(); }},
      {"ASave", [this] { ASaveExecute(); }},
      {"ASaveOne", [this] { ASaveOneExecute(); }},
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

void TForm1::ConnectButtons() {
  const std::pair<QAbstractButton*, const char*> buttons[] = {
      {ui->SpeedButton14, "AClick0"},
      {ui->SpeedButton4, "AClick1"},
      {ui->SpeedButton5, "Aclick2"},
      {ui->SpeedButton6, "Aclick3"},
      {ui->SpeedButton7, "Aclick4"},
      {ui->SpeedButton8, "Aclick5"},
      {ui->SpeedButton9, "Aclick6"},
      {ui->SpeedButton10, "Aclick7"},
      {ui->SpeedButton11, "Aclick8"},
      {ui->SpeedButton12, "Aclick9"},
      {ui->SpeedButton15, "AclickTochka"},
      {ui->SpeedButton13, "AclickVVod"},
      {ui->SpeedButton16, "AclickVsh"},
      {ui->SpeedButton17, "AclickZaboy"},
      {ui->SpeedButton18, "AclickMinus"},
      {ui->SpeedButton19, "AclickSbros"},
      {ui->SBU, "AclickVsh"},
      {ui->SBI, "AclickI"},
      {ui->SBKM, "AclickKM"},
      {ui->SBP, "AclickMinus"},
      {ui->SpeedButton2, "AClick0"},
      {ui->SpeedButton3, "AClick1"},
      {ui->Button1, "ASave"},
      {ui->Button2, "ASaveOne"},
  };
  for (const auto& [button, name] : buttons) {
    QAction* action = actions_.value(QString::fromLatin1(name));
    connect(button, &QAbstractButton::clicked, action, &QAction::trigger);
  }
  connect(ui->Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
  connect(ui->BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
  connect(ui->BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
  connect(ui->BitBtn3, &QPushButton::clicked, this, &TForm1::BitBtn3Click);
  connect(ui->SpeedButton1, &QToolButton::toggled, this, &TForm1::SpeedButton1Click);
  connect(ui->PageControl1, &QTabWidget::currentChanged, this, &TForm1::PageControl1Change);
}

// --- keyboard ---

bool TForm1::formKeyPress(QKeyEvent* event) {
  if (EntryFieldHasFocus()) return false;
  // FormKeyDown: Delete is the ЗБ key.
  if (event->key() == Qt::Key_Delete) {
    actions_["AclickZaboy"]->trigger();
    return true;
  }
  const QChar key = KeyCharacter(event);
  return !key.isNull() && engine_.FormKeyPress(key);
}

bool TForm1::controlKeyPress(QWidget* control, QKeyEvent* event) {
  if (!IsEntryField(control)) return false;
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    ValidateAllFields();
    return true;
  }
  // Only characters are filtered; editing and navigation keys work as usual.
  const QString text = event->text();
  if (text.isEmpty() || text.front() < QChar(32)) return false;
  return !FieldAcceptsKey(text.front());
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyRelease && MovesFocusOnEnter(watched)) {
    // MEdit1KeyUp: Enter released in a field moves on to the next control.
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) focusNextChild();
  } else if (event->type() == QEvent::FocusOut) {
    // Leaving a parameter field clamps it into its range.
    if (const ParameterEdit* edit = EditOf(watched)) edit->test->trigger();
  }
  return OpenedWindow::eventFilter(watched, event);
}

// --- entry fields ---

void TForm1::CreateValidationActions() {
  const std::tuple<ParameterField, QLineEdit*, const char*> fields[] = {
      {ParameterField::MEdit1, ui->MEdit1, "AMEdit1Test"},
      {ParameterField::MEdit2, ui->MEdit2, "AMEdit2Test"},
      {ParameterField::MEdit3, ui->MEdit3, "AMEdit3Test"},
      {ParameterField::MEdit4, ui->MEdit4, "AMEdit4Test"},
      {ParameterField::EEdit1, ui->EEdit1, "AEEdit1Test"},
      {ParameterField::ENVoltage, ui->ENVoltage, "AENVoltagetest"},
      {ParameterField::PEdit2, ui->PEdit2, "APEdit2Test"},
      {ParameterField::PEdit3, ui->PEdit3, "APEdit3Test"},
  };
  for (const auto& [field, edit, name] : fields) {
    auto* test = new QAction(this);
    test->setObjectName(QString::fromLatin1(name));
    connect(test, &QAction::triggered, this,
            [field, edit] { edit->setText(ClampFieldText(field, edit->text())); });
    parameterEdits_.append({field, edit, test});
    actions_.insert(test->objectName(), test);
  }
}

const TForm1::ParameterEdit* TForm1::EditOf(const QObject* widget) const {
  for (const ParameterEdit& edit : parameterEdits_) {
    if (edit.edit == widget) return &edit;
  }
  return nullptr;
}

// The nine entry fields: the parameters and the computed energy.
bool TForm1::IsEntryField(const QObject* widget) const { return widget == ui->Eenergy || EditOf(widget); }

bool TForm1::MovesFocusOnEnter(const QObject* widget) const {
  return widget != ui->EEdit1 && widget != ui->Eenergy && EditOf(widget);
}

bool TForm1::EntryFieldHasFocus() const { return IsEntryField(focusWidget()) && focusWidget()->hasFocus(); }

// Enter in any field clamps all of them, in a fixed order.
void TForm1::ValidateAllFields() {
  for (const ParameterField field : ValidationOrder) {
    for (const ParameterEdit& edit : parameterEdits_) {
      if (edit.field == field) edit.test->trigger();
    }
  }
}
