#include "bases/UnumberP.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>

#include "settings/SettingsRecords.h"
#include "ui_UnumberP.h"

namespace {
// The operator types at most six digits; a longer number stored earlier is kept.
constexpr int kTypedDigits = 6;
constexpr int kStoredCharacters = 10;
}  // namespace

TFNumberP::TFNumberP(QWidget* parent) : OpenedWindow(parent), ui(std::make_unique<Ui::TFNumberP>()) {
  ui->setupUi(this);
  // Pasted text is held to digits as well.
  ui->Edit1->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), ui->Edit1));
  connect(ui->dxButton1, &QPushButton::clicked, this, &QWidget::close);
  makeFixedDialog();
  previewKeys();
}

TFNumberP::~TFNumberP() = default;

void TFNumberP::open(QWidget* opener) {
  LoadProgramConfig();
  ui->Edit1->setText(Config.ProtocolNumber);
  ui->CheckBox1->setChecked(Config.AutoIncrement != 0);
  centreOnScreen();
  showFor(opener);
  ui->Edit1->setFocus();
}

void TFNumberP::formClose() {
  Config.ProtocolNumber = ui->Edit1->text().left(kStoredCharacters);
  Config.AutoIncrement = ui->CheckBox1->isChecked() ? 1 : 0;
  SaveProgramConfig();
}

bool TFNumberP::formKeyPress(QKeyEvent* event) {
  if (!IsEnterKey(event) && !IsEscapeKey(event)) return false;
  close();
  return true;
}

bool TFNumberP::controlKeyPress(QWidget* control, QKeyEvent* event) {
  return control == ui->Edit1 && Edit1KeyPress(event);
}

// Only digits and backspace are typed; editing keys (arrows, Delete) stay usable.
bool TFNumberP::Edit1KeyPress(QKeyEvent* event) {
  const QString typed = event->text();
  if (typed.isEmpty() || !typed.at(0).isPrint()) return false;
  const QChar ch = typed.at(0);
  const bool digit = ch >= u'0' && ch <= u'9';
  const qsizetype lengthAfter = ui->Edit1->text().size() - ui->Edit1->selectedText().size() + 1;
  const bool accepted = digit && typed.size() == 1 && lengthAfter <= kTypedDigits;
  return !accepted;
}
