#include "bases/AboutDialog.h"

#include <QKeyEvent>

#include "settings/Version.h"
#include "ui_AboutDialog.h"

// The picture lives in a resource of the static GUI library, which the linker
// would drop unless something refers to it.
static void initBasesResources() { Q_INIT_RESOURCE(bases); }

AboutDialog::AboutDialog(QWidget* parent) : OpenedWindow(parent), ui(std::make_unique<Ui::AboutDialog>()) {
  initBasesResources();
  ui->setupUi(this);
  ui->versionLabel->setText(ui->versionLabel->text().arg(QString::fromLatin1(programVersion())));
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
  if (!isEnterKey(event) && !isEscapeKey(event)) return false;
  close();
  return true;
}
