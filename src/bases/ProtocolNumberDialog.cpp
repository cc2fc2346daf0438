#include "bases/ProtocolNumberDialog.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>

#include "settings/SettingsRecords.h"
#include "ui_ProtocolNumberDialog.h"

namespace {
// The operator types at most six digits; a longer number stored earlier is kept.
constexpr int kTypedDigits = 6;
constexpr int kStoredCharacters = 10;
}  // namespace

ProtocolNumberDialog::ProtocolNumberDialog(QWidget* parent)
    : OpenedWindow(parent), ui(std::make_unique<Ui::ProtocolNumberDialog>()) {
  ui->setupUi(this);
  // Pasted text is held to digits as well.
  ui->numberEdit->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), ui->numberEdit));
  connect(ui->okButton, &QPushButton::clicked, this, &QWidget::close);
  makeFixedDialog();
  previewKeys();
}

ProtocolNumberDialog::~ProtocolNumberDialog() = default;

void ProtocolNumberDialog::open(QWidget* opener) {
  loadProgramConfig();
  ui->numberEdit->setText(Config.ProtocolNumber);
  ui->autoIncrementBox->setChecked(Config.AutoIncrement != 0);
  centreOnScreen();
  showFor(opener);
  ui->numberEdit->setFocus();
}

void ProtocolNumberDialog::formClose() {
  Config.ProtocolNumber = ui->numberEdit->text().left(kStoredCharacters);
  Config.AutoIncrement = ui->autoIncrementBox->isChecked() ? 1 : 0;
  saveProgramConfig();
}

bool ProtocolNumberDialog::formKeyPress(QKeyEvent* event) {
  if (!isEnterKey(event) && !isEscapeKey(event)) return false;
  close();
  return true;
}

bool ProtocolNumberDialog::controlKeyPress(QWidget* control, QKeyEvent* event) {
  return control == ui->numberEdit && edit1KeyPress(event);
}

// Only digits and backspace are typed; editing keys (arrows, Delete) stay usable.
bool ProtocolNumberDialog::edit1KeyPress(QKeyEvent* event) {
  const QString typed = event->text();
  if (typed.isEmpty() || !typed.at(0).isPrint()) return false;
  const QChar ch = typed.at(0);
  const bool digit = ch >= u'0' && ch <= u'9';
  const qsizetype lengthAfter = ui->numberEdit->text().size() - ui->numberEdit->selectedText().size() + 1;
  const bool accepted = digit && typed.size() == 1 && lengthAfter <= kTypedDigits;
  return !accepted;
}
