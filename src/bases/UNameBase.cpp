#include "bases/UNameBase.h"

#include "ui_UNameBase.h"

#include "bases/BaseStore.h"
#include "bases/InputValidators.h"
#include "bases/OptionsForm.h"
#include "database/UDM.h"
#include "shell/MessageService.h"
#include "shell/Windows.h"
#include "workspace/Selection.h"

#include <QKeyEvent>

TFNameBase::TFNameBase(QWidget* parent) : OpenedWindow(parent), ui(std::make_unique<Ui::TFNameBase>()) {
  ui->setupUi(this);
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setFixedSize(sizeHint());
  ui->Edit1->setValidator(new CapitalsValidator(CapitalsValidator::Kind::AnyText, this));
  connect(ui->dxButton2, &QPushButton::clicked, this, &TFNameBase::dxButton2Click);
  connect(ui->dxButton1, &QPushButton::clicked, this, &TFNameBase::dxButton1Click);
  previewKeys();
}

TFNameBase::~TFNameBase() = default;

void TFNameBase::open(QWidget* opener) {
  FormActivate();
  centreOnScreen();
  showFor(opener);
  ui->Edit1->setFocus(Qt::OtherFocusReason);
}

void TFNameBase::FormActivate() {
  EditorFollows = false;
  ui->Edit1->clear();
}

void TFNameBase::AcceptBaseName() {
  // Leading and trailing blanks would make names that look alike in the tree.
  const QString name = ui->Edit1->text().trimmed();
  if (name.isEmpty()) return;
  ChosenBaseName = name;
  DM1->QBase->reopen(Statements::baseByName(name));
  bool freshBase = true;
  if (DM1->QBase->isEmpty())
    BaseStore::AppendBase(name);
  else
    freshBase = ReplaceExistingBase();
  // The editor takes the opener over: closing enables it and the editor
  // disables it again at once, before any event can reach it.
  QWidget* mainWindow = opener();
  EditorFollows = true;
  close();
  if (freshBase)
    ChOptions->OpenForNewBase(mainWindow);
  else
    ChOptions->OpenForChosenBase(mainWindow);
}

bool TFNameBase::ReplaceExistingBase() {
  if (!MessageService::confirm(
          this, QStringLiteral("Удаление"),
          QStringLiteral("База с этим именем уже существует, удалить существующую базу?")))
    return false;
  BaseStore::DeleteCurrentBase();
  BaseStore::AppendBase(ChosenBaseName);
  return true;
}

void TFNameBase::dxButton2Click() { AcceptBaseName(); }

void TFNameBase::dxButton1Click() {
  EditorFollows = false;
  close();
}

bool TFNameBase::formKeyPress(QKeyEvent* event) {
  if (!IsEscapeKey(event)) return false;
  dxButton1Click();
  return true;
}

bool TFNameBase::controlKeyPress(QWidget* control, QKeyEvent* event) {
  if (control != ui->Edit1 || !IsEnterKey(event)) return false;
  AcceptBaseName();
  return true;
}
