#include "workspace/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>

#include "database/BaseTree.h"
#include "database/Columns.h"
#include "database/DataModule.h"
#include "database/Rows.h"
#include "reports/AccuracyLimits.h"
#include "reports/DesktopOpen.h"
#include "reports/VerificationProgram.h"
#include "settings/ProgramDir.h"
#include "settings/SettingsRecords.h"
#include "ui/DatasetGrid.h"
#include "ui/Selection.h"
#include "ui_MainWindow.h"

namespace {

const QString kBasePanel = QStringLiteral("База: ");
const QString kMeterPanel = QStringLiteral("Счетчик: ");

QIcon standardIcon(QStyle::StandardPixmap pixmap) { return QApplication::style()->standardIcon(pixmap); }

// The picture of a disabled command: grey, lighter and half transparent.
QPixmap greyedPixmap(const QPixmap& pixmap) {
  QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const int light = 128 + qGray(line[x]) / 2;
      line[x] = qRgba(light, light, light, qAlpha(line[x]) / 2);
    }
  }
  QPixmap greyed = QPixmap::fromImage(image);
  greyed.setDevicePixelRatio(pixmap.devicePixelRatio());
  return greyed;
}

// A command's picture with a disabled mode of its own: the style's icon
// engines may draw a disabled standard icon just as the enabled one.
QIcon commandIcon(QStyle::StandardPixmap picture) {
  const QIcon standard = standardIcon(picture);
  QIcon icon;
  for (const int side : {16, 24, 32, 48}) {
    const QPixmap normal = standard.pixmap(QSize(side, side), QIcon::Normal);
    if (normal.isNull()) continue;
    icon.addPixmap(normal, QIcon::Normal);
    icon.addPixmap(greyedPixmap(normal), QIcon::Disabled);
  }
  return icon;
}

// A meter node shows another picture while it is selected.
QIcon meterNodeIcon() {
  QIcon icon;
  for (const QSize size : {QSize(16, 16), QSize(32, 32)}) {
    icon.addPixmap(standardIcon(QStyle::SP_FileIcon).pixmap(size), QIcon::Normal);
    icon.addPixmap(standardIcon(QStyle::SP_DialogApplyButton).pixmap(size), QIcon::Selected);
  }
  return icon;
}

// An item of a pop-up menu standing for an action: same caption and picture,
// greyed with it, triggering it; it can be hidden without hiding the action
// in the menus and the tool bar.
QAction* addMirrorItem(QMenu* menu, QAction* action, const QString& name) {
  auto* item = new QAction(action->icon(), action->text(), menu);
  item->setObjectName(name);
  item->setEnabled(action->isEnabled());
  QObject::connect(action, &QAction::changed, item,
                   [item, action] { item->setEnabled(action->isEnabled()); });
  QObject::connect(item, &QAction::triggered, action, [action] { action->trigger(); });
  menu->addAction(item);
  return item;
}

QVector<GridColumn> designColumns() {
  const auto column = [](const QString& field, int width) {
    return GridColumn{field, width, Qt::AlignCenter, Qt::AlignCenter, true};
  };
  namespace Column = Columns::TestPoint;
  return {
      column(Column::number, 26),      column(Column::voltagePercent, 90), column(Column::currentPercent, 62),
      column(Column::powerFactor, 90), column(Column::error, 120),         column(Column::date, 93),
      column(Column::mark, 74)};
}

}  // namespace

MainWindow::MainWindow(DataModule& dataModule, Selection& selection, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::MainWindow>()), dm_(dataModule), selection_(selection) {
  ui->setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose, false);
  createActionsLook();
  connectCommands();
  setUpWindow();
}

MainWindow::~MainWindow() {
  setLimitsProblemReporter({});
  setProgramsProblemReporter({});
}

// ---------------------------------------------------------------- components

QWidget* MainWindow::testPointGrid() { return ui->pointGrid; }
QLabel* MainWindow::statusPanel(int index) const { return statusPanels_.value(index); }

// ---------------------------------------------------------------- creation

void MainWindow::createActionsLook() {
  const std::pair<QAction*, QStyle::StandardPixmap> pictures[] = {
      {ui->createBaseAction, QStyle::SP_FileDialogNewFolder},
      {ui->deleteBaseAction, QStyle::SP_TrashIcon},
      {ui->clearBaseAction, QStyle::SP_DialogResetButton},
      {ui->editBaseAction, QStyle::SP_FileDialogDetailedView},
      {ui->beginMeasurementAction, QStyle::SP_MediaPlay},
      {ui->singleProtocolAction, QStyle::SP_FileIcon},
      {ui->groupProtocolAction, QStyle::SP_FileDialogListView},
      {ui->addToArchiveAction, QStyle::SP_DialogSaveButton},
      {ui->viewArchiveAction, QStyle::SP_DirOpenIcon},
      {ui->exitAction, QStyle::SP_DialogCloseButton},
  };
  for (const auto& [action, picture] : pictures) action->setIcon(commandIcon(picture));
  for (QAction* action : {ui->createBaseAction, ui->deleteBaseAction, ui->clearBaseAction, ui->editBaseAction,
                          ui->beginMeasurementAction, ui->singleProtocolAction, ui->groupProtocolAction,
                          ui->addToArchiveAction, ui->viewArchiveAction})
    action->setProperty("category", QStringLiteral("BaseEdit"));
  for (QAction* action : {ui->markAllAction, ui->unmarkAllAction, ui->countMarksAction})
    action->setProperty("category", QStringLiteral("POP"));
  ui->commandBar->setIconSize(QSize(16, 16));

  baseTreeMenu_ = new QMenu(this);
  baseTreeMenu_->setObjectName(QStringLiteral("baseTreeMenu"));
  addMirrorItem(baseTreeMenu_, ui->createBaseAction, QStringLiteral("createBaseItem"));
  addMirrorItem(baseTreeMenu_, ui->deleteBaseAction, QStringLiteral("deleteBaseItem"));
  addMirrorItem(baseTreeMenu_, ui->clearBaseAction, QStringLiteral("clearBaseItem"));
  addMirrorItem(baseTreeMenu_, ui->singleProtocolAction, QStringLiteral("singleProtocolItem"));
  addMirrorItem(baseTreeMenu_, ui->groupProtocolAction, QStringLiteral("groupProtocolItem"));

  pointGridMenu_ = new QMenu(this);
  pointGridMenu_->setObjectName(QStringLiteral("pointGridMenu"));
  pointGridMenu_->addAction(ui->markAllAction);
  pointGridMenu_->addAction(ui->unmarkAllAction);

  const std::pair<const char*, int> panels[] = {{"База:", 112}, {"Счетчик:", 63}, {"", 80}, {"", 50}};
  for (const auto& [text, width] : panels) {
    auto* panel = new QLabel(QString::fromUtf8(text), ui->statusLine);
    panel->setObjectName(QStringLiteral("statusPanel%1").arg(statusPanels_.size()));
    // Panel 0 follows the tree pane; the others widen for a longer text. The
    // last one takes the rest of the bar (the reports' texts) and never widens
    // the window.
    const bool last = statusPanels_.size() == kReportPanel;
    if (statusPanels_.isEmpty())
      panel->setFixedWidth(width);
    else
      panel->setMinimumWidth(width);
    if (last) panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    ui->statusLine->addWidget(panel, last ? 1 : 0);
    statusPanels_.append(panel);
  }
}

void MainWindow::connectCommands() {
  const std::pair<QAction*, void (MainWindow::*)()> commands[] = {
      {ui->createBaseAction, &MainWindow::createBase},
      {ui->deleteBaseAction, &MainWindow::deleteBase},
      {ui->clearBaseAction, &MainWindow::clearBase},
      {ui->editBaseAction, &MainWindow::editBase},
      {ui->beginMeasurementAction, &MainWindow::beginMeasurement},
      {ui->singleProtocolAction, &MainWindow::writeSingleProtocol},
      {ui->groupProtocolAction, &MainWindow::writeGroupProtocol},
      {ui->addToArchiveAction, &MainWindow::addToArchive},
      {ui->viewArchiveAction, &MainWindow::viewArchive},
      {ui->markAllAction, &MainWindow::markAllPoints},
      {ui->unmarkAllAction, &MainWindow::unmarkAllPoints},
      {ui->countMarksAction, &MainWindow::countMarkedPoints},
      {ui->com1Action, &MainWindow::chooseCom1},
      {ui->com2Action, &MainWindow::chooseCom2},
      {ui->exitAction, &MainWindow::exitProgram},
      {ui->protocolNumberAction, &MainWindow::editProtocolNumber},
      {ui->aboutAction, &MainWindow::showAbout},
      {ui->installationAction, &MainWindow::editInstallation},
      {ui->openProtocolsFolderAction, &MainWindow::openProtocolsFolder},
      {ui->limitsAction, &MainWindow::showLimits},
      {ui->importLegacyAction, &MainWindow::importFromLegacyProgram},
      {ui->programsAction, &MainWindow::showPrograms},
  };
  for (const auto& [action, handler] : commands) connect(action, &QAction::triggered, this, handler);

  ui->baseTree->installEventFilter(this);
  ui->baseTree->viewport()->installEventFilter(this);
  ui->pointGrid->viewport()->installEventFilter(this);
  ui->treePane->installEventFilter(this);
  connect(ui->pointGrid, &QAbstractItemView::clicked, this,
          [this](const QModelIndex& index) { onGridCellClick(index.row(), index.column()); });
  connect(ui->pointGrid, &DatasetGrid::characterTyped, this, &MainWindow::onGridKeyPress);
  connect(ui->pointGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint& point) {
    pointGridMenu_->popup(ui->pointGrid->viewport()->mapToGlobal(point));
  });
  connect(ui->treeSplitter, &QSplitter::splitterMoved, this,
          [this] { splitFraction_ = currentSplitFraction(); });
  connect(ui->pointSplitter, &QSplitter::splitterMoved, this,
          [this] { chartSplitFraction_ = currentChartSplitFraction(); });
  connect(ui->programSplitter, &QSplitter::splitterMoved, this,
          [this] { programSplitFraction_ = currentProgramSplitFraction(); });
}

void MainWindow::setUpWindow() {
  selection_.setMarkedCount(0);
  // Every file of the program is named relative to the directory it started in.
  setProgramDir(QDir::currentPath());
  ui->pointGrid->setDataset(dm_.testPoints, designColumns());
  setUpJudgements();
  ui->treeSplitter->setStretchFactor(1, 1);
  setUpChart();
  restoreLayout();
  dm_.bases->reopen(Statements::allBases());
  buildBaseTree();
  applyPortChoice();
  ui->openProtocolsFolderAction->setEnabled(desktopSessionAvailable());
  selection_.setActionsAllowed(true);
  scheduleChartUpdate();
  for (QAction* action : {ui->deleteBaseAction, ui->editBaseAction, ui->singleProtocolAction,
                          ui->addToArchiveAction, ui->groupProtocolAction, ui->clearBaseAction})
    action->setEnabled(false);
}

// ---------------------------------------------------------------- the tree

void MainWindow::resetTree(int count) {
  ui->baseTree->clear();
  baseCount_ = count;
  baseNodes_.fill(nullptr, count + 1);
  auto* root = new QTreeWidgetItem(ui->baseTree, {QStringLiteral("База счетчиков")});
  root->setIcon(0, standardIcon(QStyle::SP_DriveHDIcon));
  baseNodes_[0] = root;
}

void MainWindow::buildBaseTree() {
  QVector<BaseOfTree> rows;
  if (dm_.connection() && dm_.bases->isOpen()) rows = readBaseTree(*dm_.connection());
  resetTree(static_cast<int>(rows.size()));
  const QIcon baseIcon = standardIcon(QStyle::SP_DirIcon);
  const QIcon meterIcon = meterNodeIcon();
  for (int i = 1; i <= rows.size(); ++i) {
    const QString& name = rows[i - 1].name;
    auto* baseNode = new QTreeWidgetItem(ui->baseTree, {name});
    baseNode->setIcon(0, baseIcon);
    baseNodes_[i] = baseNode;
    for (const int slot : rows[i - 1].slotsInUse) {
      auto* meterNode = new QTreeWidgetItem(baseNode, {meterCaptions(slot)});
      meterNode->setIcon(0, meterIcon);
      meterNode->setData(0, kBaseNameRole, name);
      meterNode->setData(0, kSlotRole, slot);
    }
  }
  ui->baseTree->collapseAll();
  showVerdicts();
}

QTreeWidgetItem* MainWindow::selectedNode() const {
  const QList<QTreeWidgetItem*> selected = ui->baseTree->selectedItems();
  return selected.isEmpty() ? nullptr : selected.first();
}

void MainWindow::showSelection() {
  ui->statusLine->clearMessage();
  statusPanel(0)->setText(kBasePanel);
  statusPanel(1)->setText(kMeterPanel);
  selection_.setMarkedCount(0);
  dm_.testPoints->close();

  for (int i = 1; i <= baseCount_; ++i) {
    if (!baseNodes_[i]->isSelected()) continue;
    selection_.setBaseName(baseNodes_[i]->text(0));
    statusPanel(0)->setText(kBasePanel + selection_.baseName());
    showPopup(PopupForm::Base);
  }

  if (QTreeWidgetItem* node = selectedNode(); node && node->parent()) {
    const int slot = node->data(0, kSlotRole).toInt();
    selection_.setBaseName(node->data(0, kBaseNameRole).toString());
    statusPanel(0)->setText(kBasePanel + selection_.baseName());
    statusPanel(1)->setText(kMeterPanel + QString::number(slot));
    selection_.setSlot(slot);
    if (!selection_.baseName().isEmpty()) {
      dm_.meters->reopen(Statements::meterInSlotInUse(selection_.baseName(), slot));
      selection_.setMeterNum(dm_.meters->isEmpty() ? 0 : static_cast<int>(Row::Meter::read(*dm_.meters).key));
    }
    showPopup(PopupForm::Meter);
  }

  if (!selection_.baseName().isEmpty()) dm_.bases->reopen(Statements::baseByName(selection_.baseName()));
  if (selection_.meterNum() != 0) {
    dm_.testPoints->open();
    countMarkedPoints();
  } else {
    dm_.testPoints->close();
  }
  showPopup(PopupForm::Other);
  applySelectionCommandStates();
  scheduleChartUpdate();
  showVerdicts();
}

void MainWindow::applySelectionCommandStates() {
  const bool baseChosen = !selection_.baseName().isEmpty();
  const bool meterChosen = selection_.meterNum() != 0;
  const QList<QAction*> baseCommands{ui->deleteBaseAction, ui->editBaseAction, ui->clearBaseAction};
  const QList<QAction*> meterCommands{ui->singleProtocolAction, ui->addToArchiveAction,
                                      ui->groupProtocolAction};
  if (!baseChosen)
    for (QAction* action : baseCommands) action->setEnabled(false);
  if (!meterChosen)
    for (QAction* action : meterCommands) action->setEnabled(false);
  // Clearing stays possible during a measurement.
  if (baseChosen) ui->clearBaseAction->setEnabled(true);
  if (!selection_.actionsAllowed()) return;
  if (baseChosen)
    for (QAction* action : baseCommands) action->setEnabled(true);
  if (meterChosen)
    for (QAction* action : meterCommands) action->setEnabled(true);
}

bool MainWindow::isBaseSelected() const {
  if (baseCount_ == 0) return false;
  for (int i = 1; i <= baseCount_; ++i)
    if (baseNodes_[i]->isSelected()) return true;
  return selection_.meterNum() != 0;
}

QList<QAction*> MainWindow::baseActions() const {
  return {ui->deleteBaseAction,  ui->createBaseAction,   ui->editBaseAction,      ui->singleProtocolAction,
          ui->viewArchiveAction, ui->addToArchiveAction, ui->groupProtocolAction, ui->importLegacyAction};
}

void MainWindow::disableBaseActions() {
  for (QAction* action : baseActions()) action->setEnabled(false);
  selection_.setActionsAllowed(false);
}

void MainWindow::enableBaseActions() {
  for (QAction* action : baseActions()) action->setEnabled(true);
  selection_.setActionsAllowed(true);
}

void MainWindow::clearSelectionState() { selection_.clearChoice(); }

// ---------------------------------------------------------------- tree events

void MainWindow::onTreeClick() {
  clearSelectionState();
  showSelection();
}

void MainWindow::onTreeKeyUp() {
  clearSelectionState();
  showSelection();
}

// A right press chooses the node under the pointer (as a left click would)
// and then offers that node's commands; on empty space the choice stays.
void MainWindow::onTreeMousePress(const QPoint& position) {
  if (QTreeWidgetItem* node = ui->baseTree->itemAt(position)) {
    ui->baseTree->setCurrentItem(node);
    clearSelectionState();
  }
  popupRequested_ = true;
  popupPoint_ = position;
  showSelection();
}

void MainWindow::showPopup(PopupForm form) {
  if (!popupRequested_) return;
  popupRequested_ = false;
  const QList<QAction*> items = baseTreeMenu_->actions();  // new, delete, clear, report, group report
  const bool meter = form == PopupForm::Meter;
  const bool other = form == PopupForm::Other;
  items[1]->setVisible(!other);
  items[2]->setVisible(!other);
  items[3]->setVisible(meter);
  items[4]->setVisible(!other);
  const QPoint windowCorner = frameGeometry().topLeft();
  baseTreeMenu_->popup(windowCorner + popupPoint_ + QPoint(10, 75));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (watched == ui->baseTree && type == QEvent::KeyRelease) {
    if (!static_cast<QKeyEvent*>(event)->isAutoRepeat()) onTreeKeyUp();
  } else if (watched == ui->baseTree->viewport() &&
             (type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonPress)) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
      onTreeClick();
    } else if (type == QEvent::MouseButtonPress && mouse->button() == Qt::RightButton) {
      onTreeMousePress(mouse->position().toPoint());
      return true;
    }
  } else if (watched == ui->pointGrid->viewport() && type == QEvent::MouseButtonPress) {
    onGridMousePress();
  } else if (watched == ui->treePane && type == QEvent::Resize) {
    onTreePaneResize();
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::onTreePaneResize() {
  statusPanel(0)->setFixedWidth(std::max(0, ui->treePane->width() - 61));
}

// ---------------------------------------------------------------- port

void MainWindow::applyPortChoice() {
  loadProgramConfig();
  showPortChoice(Config.ComPort != 0);
}

void MainWindow::showPortChoice(bool com2) {
  ui->com1Action->setChecked(!com2);
  ui->com2Action->setChecked(com2);
  selection_.setUseCom2(com2);
}

void MainWindow::choosePort(bool com2) {
  showPortChoice(com2);
  loadProgramConfig();  // keep what other windows stored meanwhile
  Config.ComPort = com2 ? 1 : 0;
  saveProgramConfig();
}

void MainWindow::chooseCom1() { choosePort(false); }
void MainWindow::chooseCom2() { choosePort(true); }

// ---------------------------------------------------------------- closing

void MainWindow::closeEvent(QCloseEvent* event) {
  // Disabled, the main window waits for another window (the meter base
  // editor, the terminal window off its main menu): a close request from the
  // window manager must not end the program under it.
  if (!isEnabled()) {
    event->ignore();
    return;
  }
  if (!closed_) onClosed();
  closed_ = true;
  event->accept();
}

void MainWindow::onClosed() {
  if (hooks.stopPolling) hooks.stopPolling();
  for (Dataset* dataset : std::initializer_list<Dataset*>{
           dm_.chosenMeter, dm_.testPoints, dm_.chosenBase, dm_.archivedMeterTable, dm_.archivedPoints,
           dm_.meters, dm_.markedPoints, dm_.bases, dm_.archivedMeters})
    dataset->close();
  saveLayout();
}
