#include "bases/AboutDialog.h"

#include <QKeyEvent>

#include "settings/Version.h"
#include "ui_AboutDialog.h"

// The picture lives in a resource of the static GUI library, which the linker
// would drop unless something refers to it.
static void InitBasesResources() { Q_INIT_RESOURCE(bases); }

AboutDialog::AboutDialog(QWidget* parent)
    : OpenedWindow(parent), ui(std::make_unique<Ui::AboutDialog>()) {
  InitBasesResources();
  ui->setupUi(this);
  ui->Label6->setText(ui->Label6->text().arg(QString::fromLatin1(ProgramVersion())));
  connect(ui->okButton, &QPushButton::clicked, this, &AboutDialog::closeBox);
  makeFixedDialog();
  previewKeys();
}

AboutDialog::~AboutDialog() = default;

void AboutDialog::open(QWidget* opener) {
  centreOnScreen();
  showFor(opener);
}

void AboutDialog::closeBox() { close(); }

bool AboutDialog::formKeyPress(QKeyEvent* event) {
  if (!IsEnterKey(event) && !IsEscapeKey(event)) return false;
  close();
  return true;
}
