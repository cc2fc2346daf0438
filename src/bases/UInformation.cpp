#include "bases/UInformation.h"

#include <QKeyEvent>

#include "ui_UInformation.h"

// The picture lives in a resource of the static GUI library, which the linker
// would drop unless something refers to it.
static void InitBasesResources() { Q_INIT_RESOURCE(bases); }

TFInformation::TFInformation(QWidget* parent)
    : OpenedWindow(parent), ui(std::make_unique<Ui::TFInformation>()) {
  InitBasesResources();
  ui->setupUi(this);
  connect(ui->Button2, &QPushButton::clicked, this, &TFInformation::Button1Click);
  makeFixedDialog();
  previewKeys();
}

TFInformation::~TFInformation() = default;

void TFInformation::open(QWidget* opener) {
  centreOnScreen();
  showFor(opener);
}

void TFInformation::Button1Click() { close(); }

bool TFInformation::formKeyPress(QKeyEvent* event) {
  if (!IsEnterKey(event) && !IsEscapeKey(event)) return false;
  close();
  return true;
}
