// The terminal window: creation, the connection's lifecycle, activation and
// closing, the mirror and the controls the link engine decides.
#include "link/TerminalWindow.h"

#include <QEvent>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QScopeGuard>
#include <QScreen>

#include "database/DataModule.h"
#include "link/KeyCodes.h"
#include "link/ResultRecording.h"
#include "settings/NumericText.h"
#include "ui_TerminalWindow.h"
#include "ui/DatasetGrid.h"
#include "ui/Selection.h"
#include "ui/Workspace.h"

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
  if (!theDataModule || !theDataModule->bases->isOpen() || theDataModule->bases->isEmpty()) return {};
  return NumberToText(theDataModule->bases->fieldByName(field).asReal());
}

}  // namespace

TerminalWindow::TerminalWindow(QWidget* parent) : OpenedWindow(parent), ui(std::make_unique<Ui::TerminalWindow>()), timers_(engine_) {
  ui->setupUi(this);
  setUpWindow();
}

TerminalWindow::~TerminalWindow() {
  StopPolling();
  engine_.SetOwner(nullptr);
}

void TerminalWindow::setUpWindow() {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  QFont mirrorFont(QStringLiteral("Courier New"), 14, QFont::Bold);
  mirrorFont.setStyleHint(QFont::TypeWriter);
  mirrorFont.setFixedPitch(true);
  for (QLabel* row : {ui->displayLine1, ui->displayLine2, ui->displayLine3}) {
    row->setFont(mirrorFont);
    row->setStyleSheet(QStringLiteral("background-color: black; color: lime;"));
  }
  ui->displayFrame->setStyleSheet(QStringLiteral("QFrame#displayFrame { background-color: black; }"));
  CreateIndicatorImages();
  CreateStatusPanels();
  CreateActions();
  CreateValidationActions();
  ConnectButtons();
  previewKeys();

  SetInstrumentLine(line_);
  engine_.SetOwner(this);
  // The receive loop starts suspended; showing the window resumes it.
  thread_ = std::make_unique<ReceiveLoop>([this] { return ReceiveStep(); }, this);
  connect(&line_, &SerialLine::DataArrived, this, [this] { thread_->DataArrived(); });
  // Queued: the line may fail in the middle of an engine call (a key written).
  connect(&line_, &SerialLine::Lost, this, &TerminalWindow::onLineLost, Qt::QueuedConnection);
  thread_->start(QThread::NormalPriority);

  ui->detailsButton->setChecked(false);
  ui->programmingTabs->hide();
  SetFormHeight(FoldedHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    move((area.width() - FormWidth) / 2, (area.height() - UnfoldedHeight) / 2);
  }
  ShowTabDependentControls();
}

void TerminalWindow::CreateIndicatorImages() {
  const QPixmap dark = Lamp(QColor(0, 64, 0));
  const QPixmap lit = Lamp(QColor(0, 255, 0));
  ui->page14Off->setPixmap(dark);
  ui->page58Off->setPixmap(dark);
  ui->page14Lit->setPixmap(lit);
  ui->page58Lit->setPixmap(lit);
  ui->page14Lit->hide();
  ui->page58Lit->hide();
}

void TerminalWindow::CreateStatusPanels() {
  for (const int width : {160, 50}) {
    auto* panel = new QLabel(ui->statusLine);
    panel->setMinimumWidth(width);
    if (statusPanels_.isEmpty()) panel->setFixedWidth(width);
    ui->statusLine->addWidget(panel, statusPanels_.isEmpty() ? 0 : 1);
    statusPanels_.append(panel);
  }
}

QLabel* TerminalWindow::StatusPanel(int index) const { return statusPanels_.value(index); }

void TerminalWindow::SetFormHeight(int height) { setFixedSize(FormWidth, height); }

void TerminalWindow::StopPolling() {
  if (thread_) thread_->Join();
}

// --- the receive loop and the mirror ---

bool TerminalWindow::ReceiveStep() {
  if (line_.PendingBytes() <= 0) {
    engine_.IdleTurn();
    return false;
  }
  engine_.ByteArrived(line_.ReadByte());
  return true;
}

void TerminalWindow::ShowScreen() {
  const InstrumentScreen& screen = engine_.Screen();
  ui->displayLine1->setText(screen.Text(0));
  ui->displayLine2->setText(screen.Text(1));
  ui->displayLine3->setText(screen.Text(2));
  emit ScreenShown();
}

void TerminalWindow::ControlsChanged() {
  const LinkControls& c = engine_.Controls();
  for (QWidget* programming : {static_cast<QWidget*>(ui->programPowerButton), static_cast<QWidget*>(ui->programEnergyButton),
                               static_cast<QWidget*>(ui->programErrorButton), static_cast<QWidget*>(ui->programmingTabs)}) {
    programming->setEnabled(c.programmingEnabled);
  }
  ui->voltageModeButton->setEnabled(c.voltageModeEnabled);
  ui->currentModeButton->setEnabled(c.currentModeEnabled);
  ui->powerFactorModeButton->setEnabled(c.powerFactorModeEnabled);
  ui->powerModeButton->setEnabled(c.powerModeEnabled);
  ui->enterKeyButton->setEnabled(c.enterKeyEnabled);
  ui->saveButton->setEnabled(c.saveEnabled);
  ui->saveOnceButton->setEnabled(c.saveOnceEnabled);
  ui->energyButton->setEnabled(c.energyButtonEnabled);
  ui->energyButton->setText(c.energyButtonCaption());
  ui->energyEdit->setText(c.computedEnergyText());
  const PageIndicators& leds = engine_.Leds();
  ui->page14Lit->setVisible(leds.page14Lit);
  ui->page14Off->setVisible(!leds.page14Lit);
  ui->page58Lit->setVisible(leds.page58Lit);
  ui->page58Off->setVisible(!leds.page58Lit);
  MainWindowFollowsMenu();
}

// While the terminal window shows, the main window takes input only while the
// instrument shows its main menu.
void TerminalWindow::MainWindowFollowsMenu() {
  if (isVisible() && theWorkspace) theWorkspace->workspaceWidget()->setEnabled(engine_.Controls().MainWindowEnabled);
}

// --- the port ---

void TerminalWindow::SendKey(uint8_t key) {
  if (line_.Connected()) line_.WriteByte(key);
}

void TerminalWindow::ApplyPortChoice() { line_.SetComNo(UseCom2 ? SerialLine::Com2 : SerialLine::Com1); }

void TerminalWindow::ResetTerminal() { engine_.ResetTerminal(); }

void TerminalWindow::ResetControls() {
  engine_.ResetControls();
  StatusPanel(1)->setText(UseCom2 ? QStringLiteral("Используемый порт: Com2")
                                  : QStringLiteral("Используемый порт: Com1"));
  StatusPanel(0)->setText(kPortUnavailable);
  ShowScreen();
}

void TerminalWindow::OpenPort() {
  line_.Flush();
  if (line_.Connected()) return;
  line_.Open();
  if (line_.Connected()) {
    StatusPanel(0)->setText(kPortOpen);
    if (isVisible() && thread_->Suspended()) thread_->Resume();  // back after a lost line
    SendKey(KeyCode::LinkStart);
    SendKey(KeyCode::Vsh);
  } else {
    StatusPanel(0)->setText(kPortUnavailable);
  }
}

// The device went away while the window used it: the status says so, the
// mirror and the save state are reset (nothing stale can be stored), and the
// connect timer opens the port again once the device is back.
void TerminalWindow::onLineLost() {
  if (line_.Connected() || !isVisible()) return;
  StatusPanel(0)->setText(kPortUnavailable);
  engine_.LineLost();
  thread_->Suspend();  // nothing to receive until the port is back
}

void TerminalWindow::ClosePort() {
  StatusPanel(0)->setText(kPortUnavailable);
  SendKey(KeyCode::LinkEnd);
  line_.Close();
}

// --- lifecycle ---

void TerminalWindow::BeginMeasurement() {
  if (isVisible()) {
    raise();
    activateWindow();
    return;
  }
  if (theWorkspace) theWorkspace->DisableBaseActions();
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

bool TerminalWindow::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::WindowActivate:
      onActivated();
      break;
    case QEvent::WindowDeactivate:
      onDeactivated();
      break;
    default:
      break;
  }
  return OpenedWindow::event(event);
}

void TerminalWindow::onActivated() {
  if (thread_->Suspended() && !engine_.Reconnecting()) thread_->Resume();
  const bool baseChosen = !ChosenBaseName.isEmpty();
  engine_.SetBaseChosen(baseChosen);
  if (baseChosen) {
    ui->baseNameLabel->setText(ChosenBaseName);
    LoadTabSettings();
  } else {
    ui->errorVoltageEdit->clear();
    ui->meterConstantEdit->clear();
    ui->baseNameLabel->setText(kNoBase);
  }
  ShowTabDependentControls();
}

void TerminalWindow::onDeactivated() {
  if (engine_.Flags().ResultsSaved && theWorkspace) {
    theWorkspace->RenumberTestPoints();
    // Renumbering leaves the data module on the base's last meter; the main
    // window's grid and reports must show the chosen one again.
    theWorkspace->ShowSelection();
  }
  engine_.Flags().ResultsSaved = false;
  StoreTabSettings();
}

void TerminalWindow::formClose() {
  if (!thread_->Suspended()) thread_->Suspend();
  engine_.StopReconnecting();
  SendKey(KeyCode::Reset);
  ClosePort();
  if (!theWorkspace) return;
  theWorkspace->EnableBaseActions();
  if (engine_.Flags().ResultsSaved) {
    theWorkspace->RenumberTestPoints();
    engine_.Flags().ResultsSaved = false;
  }
  theWorkspace->ShowSelection();
  theWorkspace->workspaceWidget()->setEnabled(true);
}

void TerminalWindow::toggleDetails() {
  if (ui->detailsButton->isChecked()) {
    SetFormHeight(UnfoldedHeight);
    ui->programmingTabs->show();
  } else {
    ui->programmingTabs->hide();
    SetFormHeight(FoldedHeight);
  }
}

void TerminalWindow::onProgrammingTabChanged() { ShowTabDependentControls(); }

// "Старт" only over the energy tab, the page indicators only over the error tab.
void TerminalWindow::ShowTabDependentControls() {
  const int page = ui->programmingTabs->currentIndex();
  engine_.SetActiveTab(page);
  ui->energyButton->setVisible(page == 1);
  ui->pageIndicatorFrame->setVisible(page == LinkEngine::ErrorTab);
}

// --- recording ---

// One transaction per save: a database that refuses a row (locked, read-only,
// disk full) leaves nothing of this save stored, and the error goes on to the
// one error box.
void TerminalWindow::save() {
  if (!line_.Connected()) return;  // no instrument: the mirror may be stale
  TableDataset* points = theDataModule->testPoints;
  const bool wasOpen = points->isOpen();
  // The grid must not show the whole table while the points are stored.
  QWidget* grid = theWorkspace ? theWorkspace->testPointGrid() : nullptr;
  if (!wasOpen) {
    if (grid) grid->setUpdatesEnabled(false);
    points->open();
  }
  const auto restore = qScopeGuard([&]() noexcept {
    if (wasOpen) return;
    points->close();
    if (grid) grid->setUpdatesEnabled(true);
  });
  const PageIndicators& leds = engine_.Leds();
  try {
    Connection::Transaction transaction(*theDataModule->connection());
    StoreTestPoints(*theDataModule, {leds.page14Lit, leds.page58Lit, &engine_.Measured(), ChosenMeterNum, QDate::currentDate()});
    transaction.commit();
  } catch (...) {
    points->cancel();
    // The rows shown must be those stored again, not those rolled back.
    if (wasOpen) RereadAfterFailedSave(*points);
    throw;
  }
  engine_.Flags().ResultsSaved = true;
  engine_.ResetSaveState();
}

void TerminalWindow::RereadAfterFailedSave(Dataset& points) {
  try {
    points.refresh();
  } catch (...) {
    // The save's own error is the one to report; the grid reads again when used.
  }
}

void TerminalWindow::saveOnce() { engine_.saveOnce(); }

void TerminalWindow::toggleEnergyCount() { engine_.toggleEnergyCount(); }
