// The terminal window: creation, the connection's lifecycle, activation and
// closing, the mirror and the controls the link engine decides.
#include "link/Unit3417.h"

#include <QEvent>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QScopeGuard>
#include <QScreen>

#include "database/UDM.h"
#include "link/KeyCodes.h"
#include "link/ResultRecording.h"
#include "settings/NumericText.h"
#include "shell/Windows.h"
#include "ui_Unit3417.h"
#include "workspace/DBGrid.h"
#include "workspace/Selection.h"
#include "workspace/UExper.h"

namespace {

const QString kPortOpen = QStringLiteral("COM порт открыт");
const QString kPortUnavailable = QStringLiteral("COM порт не доступен");
const QString kNoBase = QStringLiteral("База не выбрана");

// A round indicator lamp.
QPixmap Lamp(const QColor& colour) {
  QPixmap pixmap(14, 14);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(colour);
  painter.drawEllipse(QRectF(1, 1, 12, 12));
  return pixmap;
}

// The base's field as the instrument's texts take it ("" without a base row).
QString BaseNumberText(const QString& field) {
  if (!DM1 || !DM1->QBase->isOpen() || DM1->QBase->isEmpty()) return {};
  return NumberToText(DM1->QBase->fieldByName(field).asReal());
}

}  // namespace

TForm1::TForm1(QWidget* parent) : OpenedWindow(parent), ui(std::make_unique<Ui::TForm1>()), timers_(engine_) {
  ui->setupUi(this);
  FormCreate();
}

TForm1::~TForm1() {
  StopPolling();
  engine_.SetOwner(nullptr);
}

void TForm1::FormCreate() {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  QFont mirrorFont(QStringLiteral("Courier New"), 14, QFont::Bold);
  mirrorFont.setStyleHint(QFont::TypeWriter);
  mirrorFont.setFixedPitch(true);
  for (QLabel* row : {ui->Lstr1, ui->Lstr2, ui->Lstr3}) {
    row->setFont(mirrorFont);
    row->setStyleSheet(QStringLiteral("background-color: black; color: lime;"));
  }
  ui->Bevel1->setStyleSheet(QStringLiteral("QFrame#Bevel1 { background-color: black; }"));
  CreateIndicatorImages();
  CreateStatusPanels();
  CreateActions();
  CreateValidationActions();
  ConnectButtons();
  previewKeys();

  SetInstrumentLine(comm1_);
  engine_.SetOwner(this);
  // The receive loop starts suspended; showing the window resumes it.
  thread_ = std::make_unique<TMyThread1>([this] { return ReceiveStep(); }, this);
  connect(&comm1_, &TMyComm::DataArrived, this, [this] { thread_->DataArrived(); });
  thread_->start(QThread::NormalPriority);

  ui->SpeedButton1->setChecked(false);
  ui->PageControl1->hide();
  SetFormHeight(FoldedHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    move((area.width() - FormWidth) / 2, (area.height() - UnfoldedHeight) / 2);
  }
  ShowTabDependentControls();
}

void TForm1::CreateIndicatorImages() {
  const QPixmap dark = Lamp(QColor(0, 64, 0));
  const QPixmap lit = Lamp(QColor(0, 255, 0));
  ui->L1off->setPixmap(dark);
  ui->L2off->setPixmap(dark);
  ui->L1On->setPixmap(lit);
  ui->L2on->setPixmap(lit);
  ui->L1On->hide();
  ui->L2on->hide();
}

void TForm1::CreateStatusPanels() {
  for (const int width : {160, 50}) {
    auto* panel = new QLabel(ui->StatusBar1);
    panel->setMinimumWidth(width);
    if (statusPanels_.isEmpty()) panel->setFixedWidth(width);
    ui->StatusBar1->addWidget(panel, statusPanels_.isEmpty() ? 0 : 1);
    statusPanels_.append(panel);
  }
}

QLabel* TForm1::StatusPanel(int index) const { return statusPanels_.value(index); }

void TForm1::SetFormHeight(int height) { setFixedSize(FormWidth, height); }

void TForm1::StopPolling() {
  if (thread_) thread_->Join();
}

// --- the receive loop and the mirror ---

bool TForm1::ReceiveStep() {
  if (comm1_.PendingBytes() <= 0) {
    engine_.IdleTurn();
    return false;
  }
  engine_.ByteArrived(comm1_.ReadByte());
  return true;
}

void TForm1::ShowScreen() {
  const InstrumentScreen& screen = engine_.Screen();
  ui->Lstr1->setText(screen.Text(0));
  ui->Lstr2->setText(screen.Text(1));
  ui->Lstr3->setText(screen.Text(2));
  emit ScreenShown();
}

void TForm1::ControlsChanged() {
  const LinkControls& c = engine_.Controls();
  for (QWidget* programming : {static_cast<QWidget*>(ui->BitBtn1), static_cast<QWidget*>(ui->BitBtn2),
                               static_cast<QWidget*>(ui->BitBtn3), static_cast<QWidget*>(ui->PageControl1)}) {
    programming->setEnabled(c.BitBtnsEnabled);
  }
  ui->SBU->setEnabled(c.SBUEnabled);
  ui->SBI->setEnabled(c.SBIEnabled);
  ui->SBKM->setEnabled(c.SBKMEnabled);
  ui->SBP->setEnabled(c.SBPEnabled);
  ui->SpeedButton13->setEnabled(c.SpeedButton13Enabled);
  ui->Button1->setEnabled(c.Button1Enabled);
  ui->Button2->setEnabled(c.Button2Enabled);
  ui->Button3->setEnabled(c.Button3Enabled);
  ui->Button3->setText(c.Button3Caption());
  ui->Eenergy->setText(c.EenergyText());
  const PageIndicators& leds = engine_.Leds();
  ui->L1On->setVisible(leds.L1On);
  ui->L1off->setVisible(!leds.L1On);
  ui->L2on->setVisible(leds.L2on);
  ui->L2off->setVisible(!leds.L2on);
  MainWindowFollowsMenu();
}

// While the terminal window shows, the main window takes input only while the
// instrument shows its main menu.
void TForm1::MainWindowFollowsMenu() {
  if (isVisible() && Form2) Form2->setEnabled(engine_.Controls().MainWindowEnabled);
}

// --- the port ---

void TForm1::SendKey(uint8_t key) {
  if (comm1_.Connected()) comm1_.WriteByte(key);
}

void TForm1::ApplyPortChoice() { comm1_.SetComNo(UseCom2 ? TMyComm::Com2 : TMyComm::Com1); }

void TForm1::ResetTerminal() { engine_.ResetTerminal(); }

void TForm1::ResetControls() {
  engine_.ResetControls();
  StatusPanel(1)->setText(UseCom2 ? QStringLiteral("Используемый порт: Com2")
                                  : QStringLiteral("Используемый порт: Com1"));
  StatusPanel(0)->setText(kPortUnavailable);
  ShowScreen();
}

void TForm1::OpenPort() {
  comm1_.Flush();
  if (comm1_.Connected()) return;
  comm1_.Open();
  if (comm1_.Connected()) {
    StatusPanel(0)->setText(kPortOpen);
    SendKey(KeyCode::LinkStart);
    SendKey(KeyCode::Vsh);
  } else {
    StatusPanel(0)->setText(kPortUnavailable);
  }
}

void TForm1::ClosePort() {
  StatusPanel(0)->setText(kPortUnavailable);
  SendKey(KeyCode::LinkEnd);
  comm1_.Close();
}

// --- lifecycle ---

void TForm1::BeginMeasurement() {
  if (isVisible()) {
    raise();
    activateWindow();
    return;
  }
  if (Form2) Form2->DisableBaseActions();
  const bool baseChosen = !ChosenBaseName.isEmpty();
  engine_.Measured().SetNominalTexts(baseChosen ? BaseNumberText(QStringLiteral("Nvoltage")) : QString(),
                                     baseChosen ? BaseNumberText(QStringLiteral("NTok")) : QString());
  ResetTerminal();
  ResetControls();
  OpenPort();
  show();
  raise();
  activateWindow();
  MainWindowFollowsMenu();
}

bool TForm1::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::WindowActivate:
      FormActivate();
      break;
    case QEvent::WindowDeactivate:
      FormDeactivate();
      break;
    default:
      break;
  }
  return OpenedWindow::event(event);
}

void TForm1::FormActivate() {
  if (thread_->Suspended()) thread_->Resume();
  const bool baseChosen = !ChosenBaseName.isEmpty();
  engine_.SetBaseChosen(baseChosen);
  if (baseChosen) {
    ui->LNameBase->setText(ChosenBaseName);
    LoadTabSettings();
  } else {
    ui->ENVoltage->clear();
    ui->PEdit2->clear();
    ui->LNameBase->setText(kNoBase);
  }
  ShowTabDependentControls();
}

void TForm1::FormDeactivate() {
  if (engine_.Flags().ResultsSaved && Form2) {
    Form2->RenumberTestPoints();
    // Renumbering leaves the data module on the base's last meter; the main
    // window's grid and reports must show the chosen one again.
    Form2->ShowSelection();
  }
  engine_.Flags().ResultsSaved = false;
  StoreTabSettings();
}

void TForm1::formClose() {
  if (!thread_->Suspended()) thread_->Suspend();
  SendKey(KeyCode::Reset);
  ClosePort();
  if (!Form2) return;
  Form2->EnableBaseActions();
  if (engine_.Flags().ResultsSaved) {
    Form2->RenumberTestPoints();
    engine_.Flags().ResultsSaved = false;
  }
  Form2->ShowSelection();
  Form2->setEnabled(true);
}

void TForm1::SpeedButton1Click() {
  if (ui->SpeedButton1->isChecked()) {
    SetFormHeight(UnfoldedHeight);
    ui->PageControl1->show();
  } else {
    ui->PageControl1->hide();
    SetFormHeight(FoldedHeight);
  }
}

void TForm1::PageControl1Change() { ShowTabDependentControls(); }

// "Старт" only over the energy tab, the page indicators only over the error tab.
void TForm1::ShowTabDependentControls() {
  const int page = ui->PageControl1->currentIndex();
  engine_.SetActiveTab(page);
  ui->Button3->setVisible(page == 1);
  ui->PLed->setVisible(page == LinkEngine::ErrorTab);
}

// --- recording ---

void TForm1::ASaveExecute() {
  engine_.Flags().ResultsSaved = true;
  TableDataset* points = DM1->TSlave;
  const bool wasOpen = points->isOpen();
  // The grid must not show the whole table while the points are stored.
  QWidget* grid = Form2 ? Form2->DBGrid1() : nullptr;
  if (!wasOpen) {
    if (grid) grid->setUpdatesEnabled(false);
    points->open();
  }
  const auto restore = qScopeGuard([&] {
    if (wasOpen) return;
    points->close();
    if (grid) grid->setUpdatesEnabled(true);
  });
  const PageIndicators& leds = engine_.Leds();
  StoreTestPoints(*DM1, {leds.L1On, leds.L2on, &engine_.Measured(), ChosenMeterNum, QDate::currentDate()});
  engine_.ResetSaveState();
}

void TForm1::ASaveOneExecute() { engine_.ASaveOneExecute(); }

void TForm1::Button3Click() { engine_.Button3Click(); }
