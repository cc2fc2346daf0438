// The terminal window: creation, the connection's lifecycle, activation and
// closing, the mirror and the controls the link engine decides.
#include "link/TerminalWindow.h"

#include <QEvent>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QScopeGuard>
#include <QScreen>

#include "database/Columns.h"
#include "database/DataModule.h"
#include "link/KeyCodes.h"
#include "link/PortNames.h"
#include "link/ResultRecording.h"
#include "settings/NumericText.h"
#include "ui/DatasetGrid.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"
#include "ui/Workspace.h"
#include "ui_TerminalWindow.h"

namespace {

const QString kPortOpen = QStringLiteral("COM порт открыт");
const QString kPortUnavailable = QStringLiteral("COM порт не доступен");
const QString kNoBase = QStringLiteral("База не выбрана");

// A round indicator lamp.
QPixmap lamp(const QColor& colour) {
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
QString baseNumberText(const DataModule& dm, const QString& field) {
  if (!dm.bases->isOpen() || dm.bases->isEmpty()) return {};
  return numberToText(dm.bases->fieldByName(field).asReal());
}

}  // namespace

TerminalWindow::TerminalWindow(DataModule& dataModule, Selection& selection, Workspace* workspace,
                               QWidget* parent)
    : OpenedWindow(parent),
      ui(std::make_unique<Ui::TerminalWindow>()),
      dm_(dataModule),
      selection_(selection),
      workspace_(workspace),
      timers_(engine_) {
  ui->setupUi(this);
  setUpWindow();
}

TerminalWindow::~TerminalWindow() {
  stopPolling();
  engine_.setOwner(nullptr);
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
  createIndicatorImages();
  createStatusPanels();
  createActions();
  createValidationActions();
  connectButtons();
  previewKeys();

  setInstrumentLine(line_);
  engine_.setOwner(this);
  // The receive loop starts suspended; showing the window resumes it.
  thread_ = std::make_unique<ReceiveLoop>([this] { return receiveStep(); }, this);
  connect(&line_, &SerialLine::dataArrived, this, [this] { thread_->dataArrived(); });
  // Queued: the line may fail in the middle of an engine call (a key written).
  connect(&line_, &SerialLine::lost, this, &TerminalWindow::onLineLost, Qt::QueuedConnection);
  thread_->start(QThread::NormalPriority);

  ui->detailsButton->setChecked(false);
  ui->programmingTabs->hide();
  setFormHeight(FoldedHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    move((area.width() - FormWidth) / 2, (area.height() - UnfoldedHeight) / 2);
  }
  showTabDependentControls();
}

void TerminalWindow::createIndicatorImages() {
  const QPixmap dark = lamp(QColor(0, 64, 0));
  const QPixmap lit = lamp(QColor(0, 255, 0));
  ui->page14Off->setPixmap(dark);
  ui->page58Off->setPixmap(dark);
  ui->page14Lit->setPixmap(lit);
  ui->page58Lit->setPixmap(lit);
  ui->page14Lit->hide();
  ui->page58Lit->hide();
}

void TerminalWindow::createStatusPanels() {
  for (const int width : {160, 50, 0}) {
    auto* panel = new QLabel(ui->statusLine);
    panel->setObjectName(QStringLiteral("statusPanel%1").arg(statusPanels_.size()));
    panel->setMinimumWidth(width);
    if (statusPanels_.isEmpty()) panel->setFixedWidth(width);
    ui->statusLine->addWidget(panel, statusPanels_.size() == 1 ? 1 : 0);
    statusPanels_.append(panel);
  }
}

QLabel* TerminalWindow::statusPanel(int index) const { return statusPanels_.value(index); }

void TerminalWindow::setFormHeight(int height) { setFixedSize(FormWidth, height); }

void TerminalWindow::stopPolling() {
  if (thread_) thread_->join();
}

// --- the receive loop and the mirror ---

bool TerminalWindow::receiveStep() {
  if (line_.pendingBytes() <= 0) {
    engine_.idleTurn();
    return false;
  }
  engine_.byteArrived(line_.readByte());
  return true;
}

void TerminalWindow::showScreen() {
  const InstrumentScreen& screen = engine_.screen();
  ui->displayLine1->setText(screen.text(0));
  ui->displayLine2->setText(screen.text(1));
  ui->displayLine3->setText(screen.text(2));
  emit screenShown();
}

void TerminalWindow::controlsChanged() {
  const LinkControls& c = engine_.controls();
  for (QWidget* programming :
       {static_cast<QWidget*>(ui->programPowerButton), static_cast<QWidget*>(ui->programEnergyButton),
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
  const PageIndicators& leds = engine_.leds();
  ui->page14Lit->setVisible(leds.page14Lit);
  ui->page14Off->setVisible(!leds.page14Lit);
  ui->page58Lit->setVisible(leds.page58Lit);
  ui->page58Off->setVisible(!leds.page58Lit);
  mainWindowFollowsMenu();
}

// While the terminal window shows, the main window takes input only while the
// instrument shows its main menu.
void TerminalWindow::mainWindowFollowsMenu() {
  if (isVisible() && workspace_)
    workspace_->workspaceWidget()->setEnabled(engine_.controls().mainWindowEnabled);
}

// --- the port ---

void TerminalWindow::sendKey(uint8_t key) {
  if (line_.connected()) line_.writeByte(key);
}

void TerminalWindow::applyPortChoice() {
  line_.setComNo(selection_.useCom2() ? SerialLine::Com2 : SerialLine::Com1);
}

void TerminalWindow::resetTerminal() { engine_.resetTerminal(); }

void TerminalWindow::resetControls() {
  engine_.resetControls();
  statusPanel(1)->setText(selection_.useCom2() ? QStringLiteral("Используемый порт: Com2")
                                               : QStringLiteral("Используемый порт: Com1"));
  statusPanel(0)->setText(kPortUnavailable);
  statusPanel(kProgramNotePanel)->clear();
  showScreen();
}

void TerminalWindow::openPort() {
  line_.flush();
  if (line_.connected()) return;
  line_.open();
  if (line_.connected()) {
    statusPanel(0)->setText(kPortOpen);
    if (isVisible() && thread_->suspended()) thread_->resume();  // back after a lost line
    sendKey(KeyCode::LinkStart);
    sendKey(KeyCode::Vsh);
  } else {
    statusPanel(0)->setText(kPortUnavailable);
  }
}

// The device went away while the window used it: the status says so, the
// mirror and the save state are reset (nothing stale can be stored), and the
// connect timer opens the port again once the device is back.
void TerminalWindow::onLineLost() {
  if (line_.connected() || !isVisible()) return;
  statusPanel(0)->setText(kPortUnavailable);
  engine_.lineLost();
  thread_->suspend();  // nothing to receive until the port is back
}

void TerminalWindow::closePort() {
  statusPanel(0)->setText(kPortUnavailable);
  sendKey(KeyCode::LinkEnd);
  line_.close();
}

// --- lifecycle ---

void TerminalWindow::beginMeasurement() {
  if (isVisible()) {
    raise();
    activateWindow();
    return;
  }
  if (workspace_) workspace_->disableBaseActions();
  const bool baseChosen = !selection_.baseName().isEmpty();
  engine_.measured().setNominalTexts(
      baseChosen ? baseNumberText(dm_, Columns::Base::nominalVoltage) : QString(),
      baseChosen ? baseNumberText(dm_, Columns::Base::nominalCurrent) : QString());
  resetTerminal();
  resetControls();
  openPort();
  show();
  raise();
  activateWindow();
  mainWindowFollowsMenu();
  // A ports file that cannot be read leaves the ports on their default devices.
  if (const QString problem = portsFileProblem(); !problem.isEmpty())
    MessageService::notice(
        this, QStringLiteral("Начать измерение"),
        problem + QStringLiteral(" Порты Com1 и Com2 открываются на устройствах по умолчанию."));
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
  if (thread_->suspended() && !engine_.reconnecting()) thread_->resume();
  const bool baseChosen = !selection_.baseName().isEmpty();
  engine_.setBaseChosen(baseChosen);
  showProgramGuide();
  if (baseChosen) {
    ui->baseNameLabel->setText(selection_.baseName());
    loadTabSettings();
  } else {
    ui->errorVoltageEdit->clear();
    ui->meterConstantEdit->clear();
    ui->baseNameLabel->setText(kNoBase);
  }
  showTabDependentControls();
}

void TerminalWindow::onDeactivated() {
  if (engine_.flags().resultsSaved && workspace_) {
    workspace_->renumberTestPoints();
    // Renumbering leaves the data module on the base's last meter; the main
    // window's grid and reports must show the chosen one again.
    workspace_->showSelection();
  }
  engine_.flags().resultsSaved = false;
  storeTabSettings();
}

void TerminalWindow::formClose() {
  if (!thread_->suspended()) thread_->suspend();
  engine_.stopReconnecting();
  sendKey(KeyCode::Reset);
  closePort();
  if (!workspace_) return;
  workspace_->enableBaseActions();
  if (engine_.flags().resultsSaved) {
    workspace_->renumberTestPoints();
    engine_.flags().resultsSaved = false;
  }
  workspace_->showSelection();
  workspace_->workspaceWidget()->setEnabled(true);
}

void TerminalWindow::toggleDetails() {
  if (ui->detailsButton->isChecked()) {
    setFormHeight(UnfoldedHeight);
    ui->programmingTabs->show();
  } else {
    ui->programmingTabs->hide();
    setFormHeight(FoldedHeight);
  }
}

void TerminalWindow::onProgrammingTabChanged() { showTabDependentControls(); }

// "Старт" only over the energy tab, the page indicators only over the error tab.
void TerminalWindow::showTabDependentControls() {
  const int page = ui->programmingTabs->currentIndex();
  engine_.setActiveTab(page);
  ui->energyButton->setVisible(page == 1);
  ui->pageIndicatorFrame->setVisible(page == LinkEngine::ErrorTab);
}

// --- recording ---

// One transaction per save: a database that refuses a row (locked, read-only,
// disk full) leaves nothing of this save stored, and the error goes on to the
// one error box.
void TerminalWindow::save(SaveKind kind) {
  if (!line_.connected()) return;  // no instrument: the mirror may be stale
  TableDataset* points = dm_.testPoints;
  const bool wasOpen = points->isOpen();
  // The grid must not show the whole table while the points are stored.
  QWidget* grid = workspace_ ? workspace_->testPointGrid() : nullptr;
  if (!wasOpen) {
    if (grid) grid->setUpdatesEnabled(false);
    points->open();
  }
  const auto restore = qScopeGuard([&]() noexcept {
    if (wasOpen) return;
    points->close();
    if (grid) grid->setUpdatesEnabled(true);
  });
  const PageIndicators& leds = engine_.leds();
  QList<qint64> meters;
  try {
    // A server connection that broke is opened anew and the save run once more.
    dm_.connection()->runTransaction(
        [&] {
          meters.clear();
          storeTestPoints(dm_,
                          {leds.page14Lit, leds.page58Lit, &engine_.measured(), selection_.meterNum(),
                           QDate::currentDate()},
                          &meters);
        },
        [&] {
          points->cancel();
          // The rows shown must be those stored again, not those rolled back.
          if (wasOpen) rereadAfterFailedSave(*points);
        });
  } catch (const std::exception& error) {
    // The reading is still in the window: nothing of it is lost.
    const QString key =
        kind == SaveKind::SaveOnce ? QStringLiteral("Сохр. однократно") : QStringLiteral("Сохранить");
    throw std::runtime_error(QStringLiteral("%1\nПоказания остались в окне: нажмите «%2» ещё раз.")
                                 .arg(QString::fromUtf8(error.what()), key)
                                 .toStdString());
  }
  engine_.flags().resultsSaved = true;
  engine_.resetSaveState();
  noteSavedConditions(meters);
  showProgramGuide();
}

void TerminalWindow::showProgramGuide() {
  const QString base = selection_.baseName();
  ui->nextPointLabel->setText(programGuide.nextPointLine && !base.isEmpty() ? programGuide.nextPointLine(base)
                                                                            : QString());
}

// Said once per save, without stopping the operator: the point was stored.
void TerminalWindow::noteSavedConditions(const QList<qint64>& meters) {
  const MeasuredValues& values = engine_.measured();
  const bool outside =
      programGuide.outsideProgram &&
      programGuide.outsideProgram(selection_.baseName(), meters, textToNumber(values.voltagePercent()),
                                  textToNumber(values.currentPercent()), values.powerFactorText);
  statusPanel(kProgramNotePanel)->setText(outside ? QStringLiteral("Точка вне программы") : QString());
}

void TerminalWindow::rereadAfterFailedSave(Dataset& points) {
  try {
    points.refresh();
  } catch (...) {
    // The save's own error is the one to report; the grid reads again when used.
  }
}

void TerminalWindow::saveOnce() { engine_.saveOnce(); }

void TerminalWindow::toggleEnergyCount() { engine_.toggleEnergyCount(); }
