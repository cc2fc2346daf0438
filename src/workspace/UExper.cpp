#include "workspace/UExper.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
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

#include "database/UDM.h"
#include "settings/ProgramDir.h"
#include "settings/SettingsRecords.h"
#include "ui_UExper.h"
#include "workspace/DBGrid.h"
#include "workspace/Selection.h"

namespace {

// Node data: the base a meter node belongs to (the node's base record) and its slot.
constexpr int kBaseNameRole = Qt::UserRole;
constexpr int kSlotRole = Qt::UserRole + 1;

const QString kBasePanel = QStringLiteral("База: ");
const QString kMeterPanel = QStringLiteral("Счетчик: ");

QIcon StandardIcon(QStyle::StandardPixmap pixmap) { return QApplication::style()->standardIcon(pixmap); }

// A meter node shows another picture while it is selected.
QIcon MeterNodeIcon() {
  QIcon icon;
  for (const QSize size : {QSize(16, 16), QSize(32, 32)}) {
    icon.addPixmap(StandardIcon(QStyle::SP_FileIcon).pixmap(size), QIcon::Normal);
    icon.addPixmap(StandardIcon(QStyle::SP_DialogApplyButton).pixmap(size), QIcon::Selected);
  }
  return icon;
}

// An item of a pop-up menu standing for an action: same caption and picture,
// greyed with it, triggering it; it can be hidden without hiding the action
// in the menus and the tool bar.
QAction* AddMirrorItem(QMenu* menu, QAction* action, const QString& name) {
  auto* item = new QAction(action->icon(), action->text(), menu);
  item->setObjectName(name);
  item->setEnabled(action->isEnabled());
  QObject::connect(action, &QAction::changed, item,
                   [item, action] { item->setEnabled(action->isEnabled()); });
  QObject::connect(item, &QAction::triggered, action, [action] { action->trigger(); });
  menu->addAction(item);
  return item;
}

QVector<GridColumn> DesignColumns() {
  const auto column = [](const char* field, int width) {
    return GridColumn{QString::fromLatin1(field), width, Qt::AlignCenter, Qt::AlignCenter, true};
  };
  return {column("Count", 26),  column("Voltage", 90), column("Tok", 62), column("KM", 90),
          column("Opogr", 120), column("Date", 93),    column("Rep", 74)};
}

}  // namespace

TForm2::TForm2(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::TForm2>()) {
  ui->setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose, false);
  createActionsLook();
  connectCommands();
  FormCreate();
}

TForm2::~TForm2() = default;

// ---------------------------------------------------------------- components

QAction* TForm2::ADDBase() const { return ui->ADDBase; }
QAction* TForm2::DELBase() const { return ui->DELBase; }
QAction* TForm2::ClearBase() const { return ui->ClearBase; }
QAction* TForm2::OptionsBase() const { return ui->OptionsBase; }
QAction* TForm2::BeginTest() const { return ui->BeginTest; }
QAction* TForm2::ReportBase() const { return ui->ReportBase; }
QAction* TForm2::GReportBase() const { return ui->GReportBase; }
QAction* TForm2::AAddArhiv() const { return ui->AAddArhiv; }
QAction* TForm2::AseeArhive() const { return ui->AseeArhive; }
QAction* TForm2::ASetPop() const { return ui->ASetPop; }
QAction* TForm2::AClearPoP() const { return ui->AClearPoP; }
QAction* TForm2::AcountRep() const { return ui->AcountRep; }
QAction* TForm2::MCOM11() const { return ui->MCOM11; }
QAction* TForm2::MCOM21() const { return ui->MCOM21; }
QAction* TForm2::N5() const { return ui->N5; }
QAction* TForm2::N8() const { return ui->N8; }
QAction* TForm2::N14() const { return ui->N14; }
QAction* TForm2::N15() const { return ui->N15; }
QToolBar* TForm2::ToolBar2() const { return ui->ToolBar2; }
QSplitter* TForm2::abcBiSplit1() const { return ui->abcBiSplit1; }
QWidget* TForm2::abcSplitPane1() const { return ui->abcSplitPane1; }
QTreeWidget* TForm2::TreeView1() const { return ui->TreeView1; }
TDBGrid* TForm2::DBGrid1() const { return ui->DBGrid1; }
QPlainTextEdit* TForm2::MForm() const { return ui->MForm; }
QMenu* TForm2::PM1() const { return pm1_; }
QMenu* TForm2::PopupMenu1() const { return popupMenu1_; }
QLabel* TForm2::StatusPanel(int index) const { return statusPanels_.value(index); }

// ---------------------------------------------------------------- creation

void TForm2::createActionsLook() {
  const std::pair<QAction*, QStyle::StandardPixmap> pictures[] = {
      {ui->ADDBase, QStyle::SP_FileDialogNewFolder},
      {ui->DELBase, QStyle::SP_TrashIcon},
      {ui->ClearBase, QStyle::SP_DialogResetButton},
      {ui->OptionsBase, QStyle::SP_FileDialogDetailedView},
      {ui->BeginTest, QStyle::SP_MediaPlay},
      {ui->ReportBase, QStyle::SP_FileIcon},
      {ui->GReportBase, QStyle::SP_FileDialogListView},
      {ui->AAddArhiv, QStyle::SP_DialogSaveButton},
      {ui->AseeArhive, QStyle::SP_DirOpenIcon},
      {ui->N5, QStyle::SP_DialogCloseButton},
  };
  for (const auto& [action, picture] : pictures) action->setIcon(StandardIcon(picture));
  for (QAction* action : {ui->ADDBase, ui->DELBase, ui->ClearBase, ui->OptionsBase, ui->BeginTest,
                          ui->ReportBase, ui->GReportBase, ui->AAddArhiv, ui->AseeArhive})
    action->setProperty("category", QStringLiteral("BaseEdit"));
  for (QAction* action : {ui->ASetPop, ui->AClearPoP, ui->AcountRep})
    action->setProperty("category", QStringLiteral("POP"));
  ui->ToolBar2->setIconSize(QSize(16, 16));

  pm1_ = new QMenu(this);
  pm1_->setObjectName(QStringLiteral("PM1"));
  AddMirrorItem(pm1_, ui->ADDBase, QStringLiteral("PMnew"));
  AddMirrorItem(pm1_, ui->DELBase, QStringLiteral("PMdelet"));
  AddMirrorItem(pm1_, ui->ClearBase, QStringLiteral("PMclear"));
  AddMirrorItem(pm1_, ui->ReportBase, QStringLiteral("pmp"));
  AddMirrorItem(pm1_, ui->GReportBase, QStringLiteral("pmGp"));

  popupMenu1_ = new QMenu(this);
  popupMenu1_->setObjectName(QStringLiteral("PopupMenu1"));
  popupMenu1_->addAction(ui->ASetPop);
  popupMenu1_->addAction(ui->AClearPoP);

  const std::pair<const char*, int> panels[] = {{"База:", 112}, {"Счетчик:", 63}, {"", 50}};
  for (const auto& [text, width] : panels) {
    auto* panel = new QLabel(QString::fromUtf8(text), ui->StatusBar1);
    panel->setObjectName(QStringLiteral("StatusPanel%1").arg(statusPanels_.size()));
    // Panel 0 follows the tree pane; the others widen for a longer text.
    if (statusPanels_.isEmpty())
      panel->setFixedWidth(width);
    else
      panel->setMinimumWidth(width);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    ui->StatusBar1->addWidget(panel);
    statusPanels_.append(panel);
  }
}

void TForm2::connectCommands() {
  const std::pair<QAction*, void (TForm2::*)()> commands[] = {
      {ui->ADDBase, &TForm2::ADDBaseExecute},
      {ui->DELBase, &TForm2::DELBaseExecute},
      {ui->ClearBase, &TForm2::ClearBaseExecute},
      {ui->OptionsBase, &TForm2::OptionsBaseExecute},
      {ui->BeginTest, &TForm2::BeginTestExecute},
      {ui->ReportBase, &TForm2::ReportBaseExecute},
      {ui->GReportBase, &TForm2::GReportBaseExecute},
      {ui->AAddArhiv, &TForm2::AAddArhivExecute},
      {ui->AseeArhive, &TForm2::AseeArhiveExecute},
      {ui->ASetPop, &TForm2::ASetPopExecute},
      {ui->AClearPoP, &TForm2::AClearPoPExecute},
      {ui->AcountRep, &TForm2::AcountRepExecute},
      {ui->MCOM11, &TForm2::MCOM11Click},
      {ui->MCOM21, &TForm2::MCOM21Click},
      {ui->N5, &TForm2::N5Click},
      {ui->N8, &TForm2::N8Click},
      {ui->N14, &TForm2::N14Click},
      {ui->N15, &TForm2::N15Click},
  };
  for (const auto& [action, handler] : commands) connect(action, &QAction::triggered, this, handler);

  ui->TreeView1->installEventFilter(this);
  ui->TreeView1->viewport()->installEventFilter(this);
  ui->DBGrid1->viewport()->installEventFilter(this);
  ui->abcSplitPane1->installEventFilter(this);
  connect(ui->DBGrid1, &QAbstractItemView::clicked, this,
          [this](const QModelIndex& index) { DBGrid1CellClick(index.row(), index.column()); });
  connect(ui->DBGrid1, &TDBGrid::characterTyped, this, &TForm2::DBGrid1KeyPress);
  connect(ui->DBGrid1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& point) { popupMenu1_->popup(ui->DBGrid1->viewport()->mapToGlobal(point)); });
  connect(ui->abcBiSplit1, &QSplitter::splitterMoved, this,
          [this] { splitFraction_ = currentSplitFraction(); });
}

void TForm2::FormCreate() {
  MarkedPointCount = 0;
  // Every file of the program is named relative to the directory it started in.
  SetProgramDir(QDir::currentPath());
  ui->DBGrid1->setDataset(DM1->TSlave, DesignColumns());
  ui->abcBiSplit1->setStretchFactor(1, 1);
  RestoreLayout();
  DM1->QBase->reopen(Statements::allBases());
  BuildBaseTree();
  ApplyPortChoice();
  ActionsAllowed = true;
  for (QAction* action :
       {ui->DELBase, ui->OptionsBase, ui->ReportBase, ui->AAddArhiv, ui->GReportBase, ui->ClearBase})
    action->setEnabled(false);
}

// ---------------------------------------------------------------- the tree

void TForm2::ResetTree(int count) {
  ui->TreeView1->clear();
  BaseCount = count;
  BaseNodes.fill(nullptr, count + 1);
  auto* root = new QTreeWidgetItem(ui->TreeView1, {QStringLiteral("База счетчиков")});
  root->setIcon(0, StandardIcon(QStyle::SP_DriveHDIcon));
  BaseNodes[0] = root;
}

void TForm2::BuildBaseTree() {
  QueryDataset* bases = DM1->QBase;
  const int count = bases->isOpen() ? bases->recordCount() : 0;
  ResetTree(count);
  if (count == 0) return;
  bases->first();
  const QIcon baseIcon = StandardIcon(QStyle::SP_DirIcon);
  const QIcon meterIcon = MeterNodeIcon();
  for (int i = 1; i <= count; ++i) {
    const QString name = bases->fieldByName(QStringLiteral("NameBase")).asText();
    auto* baseNode = new QTreeWidgetItem(ui->TreeView1, {name});
    baseNode->setIcon(0, baseIcon);
    BaseNodes[i] = baseNode;
    DM1->QMaster->reopen(Statements::metersOfBaseInUse(name, true));
    for (DM1->QMaster->first(); !DM1->QMaster->eof(); DM1->QMaster->next()) {
      if (!DM1->QMaster->fieldByName(QStringLiteral("MyVisible")).asBool()) continue;
      const int slot = static_cast<int>(DM1->QMaster->fieldByName(QStringLiteral("NumberCh")).asInteger());
      auto* meterNode = new QTreeWidgetItem(baseNode, {MeterCaptions(slot)});
      meterNode->setIcon(0, meterIcon);
      meterNode->setData(0, kBaseNameRole, name);
      meterNode->setData(0, kSlotRole, slot);
    }
    bases->next();
  }
  ui->TreeView1->collapseAll();
}

QTreeWidgetItem* TForm2::SelectedNode() const {
  const QList<QTreeWidgetItem*> selected = ui->TreeView1->selectedItems();
  return selected.isEmpty() ? nullptr : selected.first();
}

void TForm2::ShowSelection() {
  ui->StatusBar1->clearMessage();
  StatusPanel(0)->setText(kBasePanel);
  StatusPanel(1)->setText(kMeterPanel);
  MarkedPointCount = 0;
  DM1->TSlave->close();

  for (int i = 1; i <= BaseCount; ++i) {
    if (!BaseNodes[i]->isSelected()) continue;
    ChosenBaseName = BaseNodes[i]->text(0);
    StatusPanel(0)->setText(kBasePanel + ChosenBaseName);
    ShowPopup(PopupForm::Base);
  }

  if (QTreeWidgetItem* node = SelectedNode(); node && node->parent()) {
    const int slot = node->data(0, kSlotRole).toInt();
    ChosenBaseName = node->data(0, kBaseNameRole).toString();
    StatusPanel(0)->setText(kBasePanel + ChosenBaseName);
    StatusPanel(1)->setText(kMeterPanel + QString::number(slot));
    ChosenSlot = slot;
    if (!ChosenBaseName.isEmpty()) {
      DM1->QMaster->reopen(Statements::meterInSlotInUse(ChosenBaseName, slot));
      ChosenMeterNum = DM1->QMaster->isEmpty()
                           ? 0
                           : static_cast<int>(DM1->QMaster->fieldByName(QStringLiteral("Num")).asInteger());
    }
    ShowPopup(PopupForm::Meter);
  }

  if (!ChosenBaseName.isEmpty()) DM1->QBase->reopen(Statements::baseByName(ChosenBaseName));
  if (ChosenMeterNum != 0) {
    DM1->TSlave->open();
    AcountRepExecute();
  } else {
    DM1->TSlave->close();
  }
  ShowPopup(PopupForm::Other);
  ApplySelectionCommandStates();
}

void TForm2::ApplySelectionCommandStates() {
  const bool baseChosen = !ChosenBaseName.isEmpty();
  const bool meterChosen = ChosenMeterNum != 0;
  const QList<QAction*> baseCommands{ui->DELBase, ui->OptionsBase, ui->ClearBase};
  const QList<QAction*> meterCommands{ui->ReportBase, ui->AAddArhiv, ui->GReportBase};
  if (!baseChosen)
    for (QAction* action : baseCommands) action->setEnabled(false);
  if (!meterChosen)
    for (QAction* action : meterCommands) action->setEnabled(false);
  // Clearing stays possible during a measurement.
  if (baseChosen) ui->ClearBase->setEnabled(true);
  if (!ActionsAllowed) return;
  if (baseChosen)
    for (QAction* action : baseCommands) action->setEnabled(true);
  if (meterChosen)
    for (QAction* action : meterCommands) action->setEnabled(true);
}

bool TForm2::IsBaseSelected() const {
  if (BaseCount == 0) return false;
  for (int i = 1; i <= BaseCount; ++i)
    if (BaseNodes[i]->isSelected()) return true;
  return ChosenMeterNum != 0;
}

QList<QAction*> TForm2::BaseActions() const {
  return {ui->DELBase,    ui->ADDBase,   ui->OptionsBase, ui->ReportBase,
          ui->AseeArhive, ui->AAddArhiv, ui->GReportBase};
}

void TForm2::DisableBaseActions() {
  for (QAction* action : BaseActions()) action->setEnabled(false);
  ActionsAllowed = false;
}

void TForm2::EnableBaseActions() {
  for (QAction* action : BaseActions()) action->setEnabled(true);
  ActionsAllowed = true;
}

void TForm2::ClearSelectionState() {
  MarkedPointCount = 0;
  ChosenMeterNum = 0;
  ChosenBaseName.clear();
}

// ---------------------------------------------------------------- tree events

void TForm2::TreeView1Click() {
  ClearSelectionState();
  ShowSelection();
}

void TForm2::TreeView1KeyUp() {
  ClearSelectionState();
  ShowSelection();
}

// A right press chooses the node under the pointer (as a left click would)
// and then offers that node's commands; on empty space the choice stays.
void TForm2::TreeView1MouseDown(const QPoint& position) {
  if (QTreeWidgetItem* node = ui->TreeView1->itemAt(position)) {
    ui->TreeView1->setCurrentItem(node);
    ClearSelectionState();
  }
  popupRequested_ = true;
  popupPoint_ = position;
  ShowSelection();
}

void TForm2::ShowPopup(PopupForm form) {
  if (!popupRequested_) return;
  popupRequested_ = false;
  const QList<QAction*> items = pm1_->actions();  // new, delete, clear, report, group report
  const bool meter = form == PopupForm::Meter;
  const bool other = form == PopupForm::Other;
  items[1]->setVisible(!other);
  items[2]->setVisible(!other);
  items[3]->setVisible(meter);
  items[4]->setVisible(!other);
  const QPoint windowCorner = frameGeometry().topLeft();
  pm1_->popup(windowCorner + popupPoint_ + QPoint(10, 75));
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (watched == ui->TreeView1 && type == QEvent::KeyRelease) {
    if (!static_cast<QKeyEvent*>(event)->isAutoRepeat()) TreeView1KeyUp();
  } else if (watched == ui->TreeView1->viewport() &&
             (type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonPress)) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
      TreeView1Click();
    } else if (type == QEvent::MouseButtonPress && mouse->button() == Qt::RightButton) {
      TreeView1MouseDown(mouse->position().toPoint());
      return true;
    }
  } else if (watched == ui->DBGrid1->viewport() && type == QEvent::MouseButtonPress) {
    DBGrid1MouseDown();
  } else if (watched == ui->abcSplitPane1 && type == QEvent::Resize) {
    abcSplitPane1Resize();
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm2::abcSplitPane1Resize() {
  StatusPanel(0)->setFixedWidth(std::max(0, ui->abcSplitPane1->width() - 61));
}

// ---------------------------------------------------------------- port

void TForm2::ApplyPortChoice() {
  LoadProgramConfig();
  ShowPortChoice(Config.ComPort != 0);
}

void TForm2::ShowPortChoice(bool com2) {
  ui->MCOM11->setChecked(!com2);
  ui->MCOM21->setChecked(com2);
  UseCom2 = com2;
}

void TForm2::ChoosePort(bool com2) {
  ShowPortChoice(com2);
  LoadProgramConfig();  // keep what other windows stored meanwhile
  Config.ComPort = com2 ? 1 : 0;
  SaveProgramConfig();
}

void TForm2::MCOM11Click() { ChoosePort(false); }
void TForm2::MCOM21Click() { ChoosePort(true); }

// ---------------------------------------------------------------- closing

void TForm2::closeEvent(QCloseEvent* event) {
  if (!closed_) FormClose();
  closed_ = true;
  event->accept();
}

void TForm2::FormClose() {
  if (Hooks.StopPolling) Hooks.StopPolling();
  for (Dataset* dataset : std::initializer_list<Dataset*>{DM1->TMaster, DM1->TSlave, DM1->TBase,
                                                          DM1->TMasterArhive, DM1->TSlaveArhive, DM1->QMaster,
                                                          DM1->Query2, DM1->QBase, DM1->QMasterArhive})
    dataset->close();
  SaveLayout();
}
