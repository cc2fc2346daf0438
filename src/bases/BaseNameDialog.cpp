#include "bases/BaseNameDialog.h"

#include "ui_BaseNameDialog.h"

#include "bases/BaseStore.h"
#include "bases/InputValidators.h"
#include "bases/BaseEditor.h"
#include "database/DataModule.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"

#include <QKeyEvent>

BaseNameDialog::BaseNameDialog(QWidget* parent) : OpenedWindow(parent), ui(std::make_unique<Ui::BaseNameDialog>()) {
  ui->setupUi(this);
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setFixedSize(sizeHint());
  ui->nameEdit->setValidator(new CapitalsValidator(CapitalsValidator::Kind::AnyText, this));
  connect(ui->okButton, &QPushButton::clicked, this, &BaseNameDialog::accept);
  connect(ui->cancelButton, &QPushButton::clicked, this, &BaseNameDialog::cancel);
  previewKeys();
}

BaseNameDialog::~BaseNameDialog() = default;

void BaseNameDialog::open(QWidget* opener) {
  onActivated();
  centreOnScreen();
  showFor(opener);
  ui->nameEdit->setFocus(Qt::OtherFocusReason);
}

void BaseNameDialog::onActivated() {
  EditorFollows = false;
  ui->nameEdit->clear();
}

void BaseNameDialog::acceptBaseName() {
  // Leading and trailing blanks would make names that look alike in the tree.
  const QString name = ui->nameEdit->text().trimmed();
  if (name.isEmpty()) return;
  ChosenBaseName = name;
  theDataModule->bases->reopen(Statements::baseByName(name));
  bool freshBase = true;
  if (theDataModule->bases->isEmpty())
    BaseStore::appendBase(name);
  else
    freshBase = replaceExistingBase();
  // The editor takes the opener over: closing enables it and the editor
  // disables it again at once, before any event can reach it.
  QWidget* mainWindow = opener();
  EditorFollows = true;
  close();
  if (freshBase)
    theBaseEditor->openForNewBase(mainWindow);
  else
    theBaseEditor->openForChosenBase(mainWindow);
}

bool BaseNameDialog::replaceExistingBase() {
  if (!MessageService::confirm(
          this, QStringLiteral("Удаление"),
          QStringLiteral("База с этим именем уже существует, удалить существующую базу?")))
    return false;
  BaseStore::deleteCurrentBase();
  BaseStore::appendBase(ChosenBaseName);
  return true;
}

void BaseNameDialog::accept() { acceptBaseName(); }

void BaseNameDialog::cancel() {
  EditorFollows = false;
  close();
}

bool BaseNameDialog::formKeyPress(QKeyEvent* event) {
  if (!isEscapeKey(event)) return false;
  cancel();
  return true;
}

bool BaseNameDialog::controlKeyPress(QWidget* control, QKeyEvent* event) {
  if (control != ui->nameEdit || !isEnterKey(event)) return false;
  acceptBaseName();
  return true;
}
