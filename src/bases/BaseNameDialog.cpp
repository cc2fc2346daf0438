#include "bases/BaseNameDialog.h"

#include "ui_BaseNameDialog.h"

#include "bases/BaseEditor.h"
#include "bases/BaseStore.h"
#include "bases/InputValidators.h"
#include "database/DataModule.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"

#include <QKeyEvent>

BaseNameDialog::BaseNameDialog(DataModule& dataModule, Selection& selection, BaseEditor& editor,
                               QWidget* parent)
    : OpenedWindow(parent),
      ui(std::make_unique<Ui::BaseNameDialog>()),
      dm_(dataModule),
      selection_(selection),
      editor_(editor) {
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
  editorFollows = false;
  ui->nameEdit->clear();
}

void BaseNameDialog::acceptBaseName() {
  // Leading and trailing blanks would make names that look alike in the tree.
  const QString name = ui->nameEdit->text().trimmed();
  if (name.isEmpty()) return;
  selection_.setBaseName(name);
  dm_.bases->reopen(Statements::baseByName(name));
  bool freshBase = true;
  if (dm_.bases->isEmpty())
    BaseStore::appendBase(dm_, name);
  else
    freshBase = replaceExistingBase();
  // The editor takes the opener over: closing enables it and the editor
  // disables it again at once, before any event can reach it.
  QWidget* mainWindow = opener();
  editorFollows = true;
  close();
  if (freshBase)
    editor_.openForNewBase(mainWindow);
  else
    editor_.openForChosenBase(mainWindow);
}

bool BaseNameDialog::replaceExistingBase() {
  if (!MessageService::confirm(
          this, QStringLiteral("Удаление"),
          QStringLiteral("База с этим именем уже существует, удалить существующую базу?")))
    return false;
  BaseStore::deleteCurrentBase(dm_);
  BaseStore::appendBase(dm_, selection_.baseName());
  return true;
}

void BaseNameDialog::accept() { acceptBaseName(); }

void BaseNameDialog::cancel() {
  editorFollows = false;
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
