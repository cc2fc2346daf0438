#include "WorkspaceFixture.h"
#include "support/Widgets.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QSqlQuery>
#include <QTest>
#include <QTreeWidget>

#include "bases/AboutDialog.h"
#include "bases/BaseEditor.h"
#include "bases/BaseNameDialog.h"
#include "bases/InstallationDialog.h"
#include "bases/ProtocolNumberDialog.h"
#include "database/DataModule.h"
#include "ui/DatasetGrid.h"
#include "ui/Selection.h"
#include "workspace/MainWindow.h"

namespace {

std::unique_ptr<DataModule> startDataModule() {
  auto dataModule = std::make_unique<DataModule>();
  if (!dataModule->openTables().isEmpty()) qFatal("data module failed to start");
  return dataModule;
}

}  // namespace

WorkspaceFixture::WorkspaceFixture()
    : dataModule_(startDataModule()),
      selection_(std::make_unique<Selection>()),
      rows_(std::make_unique<SampleRows>(*dataModule_->connection())) {}

WorkspaceFixture::~WorkspaceFixture() {
  dialogs_.reset();
  form_.reset();
  rows_.reset();
  selection_.reset();
  dataModule_.reset();
}

MainWindow* WorkspaceFixture::openWindow() {
  form_ = std::make_unique<MainWindow>(*dataModule_, *selection_);
  if (dialogsWanted_) makeDialogs();
  form_->show();
  if (!QTest::qWaitForWindowExposed(form_.get())) qWarning("main window not exposed");
  // The keyboard reaches the active window only (under X without a window
  // manager nothing activates it by itself).
  form_->activateWindow();
  if (!QTest::qWaitForWindowActive(form_.get())) qWarning("main window not active");
  return form_.get();
}

// The windows the main window's commands open, made after it as the start-up
// makes them.
struct WorkspaceFixture::Dialogs {
  Dialogs(DataModule& dm, Selection& selection, Workspace* workspace)
      : baseEditor(dm, selection, workspace), baseNameDialog(dm, selection, baseEditor) {}
  BaseEditor baseEditor;
  InstallationDialog installationDialog;
  BaseNameDialog baseNameDialog;
  AboutDialog aboutDialog;
  ProtocolNumberDialog protocolNumberDialog;
};

void WorkspaceFixture::createDialogs() {
  dialogsWanted_ = true;
  if (form_) makeDialogs();
}

void WorkspaceFixture::makeDialogs() {
  dialogs_ = std::make_unique<Dialogs>(*dataModule_, *selection_, form_.get());
  MainWindow* main = form_.get();
  Dialogs* dialogs = dialogs_.get();
  main->hooks.openBaseNameDialog = [main, dialogs] { dialogs->baseNameDialog.open(main); };
  main->hooks.openBaseEditor = [main, dialogs] { dialogs->baseEditor.openForChosenBase(main); };
  main->hooks.openInstallationDialog = [main, dialogs] { dialogs->installationDialog.open(main); };
  main->hooks.openAboutDialog = [main, dialogs] { dialogs->aboutDialog.open(main); };
  main->hooks.openProtocolNumberDialog = [main, dialogs] { dialogs->protocolNumberDialog.open(main); };
}

BaseEditor& WorkspaceFixture::baseEditor() const { return dialogs_->baseEditor; }
BaseNameDialog& WorkspaceFixture::baseNameDialog() const { return dialogs_->baseNameDialog; }

void WorkspaceFixture::closeWindow() {
  if (form_) form_->close();
}

MainWindow* WorkspaceFixture::restart() {
  closeWindow();
  dialogs_.reset();
  form_.reset();
  rows_.reset();
  dataModule_.reset();
  selection_ = std::make_unique<Selection>();
  dataModule_ = startDataModule();
  rows_ = std::make_unique<SampleRows>(*dataModule_->connection());
  return openWindow();
}

QTreeWidgetItem* WorkspaceFixture::node(const QString& path) const {
  QTreeWidget* tree = widgets::child<QTreeWidget>(form_, "baseTree");
  if (path.isEmpty()) return tree->topLevelItem(0);
  const QStringList parts = path.split(QLatin1Char('/'));
  for (int i = 1; i < tree->topLevelItemCount(); ++i) {
    QTreeWidgetItem* base = tree->topLevelItem(i);
    if (base->text(0) != parts[0]) continue;
    if (parts.size() == 1) return base;
    for (int j = 0; j < base->childCount(); ++j)
      if (base->child(j)->text(0) == QStringLiteral("Счетчик ") + parts[1]) return base->child(j);
  }
  qFatal("no tree node %s", qPrintable(path));
}

QStringList WorkspaceFixture::treeOutline() const {
  QStringList outline;
  QTreeWidget* tree = widgets::child<QTreeWidget>(form_, "baseTree");
  for (int i = 0; i < tree->topLevelItemCount(); ++i) {
    outline << tree->topLevelItem(i)->text(0);
    for (int j = 0; j < tree->topLevelItem(i)->childCount(); ++j)
      outline << QStringLiteral("  ") + tree->topLevelItem(i)->child(j)->text(0);
  }
  return outline;
}

void WorkspaceFixture::leftClick(const QString& path) {
  QTreeWidget* tree = widgets::child<QTreeWidget>(form_, "baseTree");
  QTreeWidgetItem* item = node(path);
  if (item->parent()) item->parent()->setExpanded(true);
  tree->scrollToItem(item);  // as the operator scrolls a long tree
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
}

void WorkspaceFixture::rightPress(const QString& path) {
  QTreeWidget* tree = widgets::child<QTreeWidget>(form_, "baseTree");
  QPoint point(5, tree->viewport()->height() - 5);  // empty space below the nodes
  if (!path.isNull()) {
    QTreeWidgetItem* item = node(path);
    if (item->parent()) item->parent()->setExpanded(true);
    point = tree->visualItemRect(item).center();
  }
  QTest::mousePress(tree->viewport(), Qt::RightButton, {}, point);
  QTest::mouseRelease(tree->viewport(), Qt::RightButton, {}, point);
}

void WorkspaceFixture::clickCell(int row, const QString& field) {
  DatasetGrid* grid = widgets::child<DatasetGrid>(form_, "pointGrid");
  const QModelIndex index = grid->model()->index(row, grid->columnOfField(field));
  grid->scrollTo(index);
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
}

QVariantList WorkspaceFixture::column(const QString& sql, const QVariantList& values) const {
  QSqlQuery query = dataModule_->connection()->execute({sql, values, {}});
  QVariantList result;
  while (query.next()) result << query.value(0);
  return result;
}

QStringList WorkspaceFixture::enabledCommands() const {
  QStringList enabled;
  for (QAction* action :
       {widgets::child<QAction>(form_, "createBaseAction"),
        widgets::child<QAction>(form_, "deleteBaseAction"), widgets::child<QAction>(form_, "clearBaseAction"),
        widgets::child<QAction>(form_, "editBaseAction"),
        widgets::child<QAction>(form_, "beginMeasurementAction"),
        widgets::child<QAction>(form_, "singleProtocolAction"),
        widgets::child<QAction>(form_, "groupProtocolAction"),
        widgets::child<QAction>(form_, "addToArchiveAction"),
        widgets::child<QAction>(form_, "viewArchiveAction")})
    if (action->isEnabled()) enabled << action->text();
  return enabled;
}

QStringList WorkspaceFixture::shownPopupItems() const {
  QStringList shown;
  if (!widgets::child<QMenu>(form_, "baseTreeMenu")->isVisible()) return shown;
  for (QAction* item : widgets::child<QMenu>(form_, "baseTreeMenu")->actions())
    if (item->isVisible()) shown << item->text();
  return shown;
}

SampleRows::Meter meterIn(int slot, bool inUse) {
  return {slot,
          QStringLiteral("СО-505"),
          QStringLiteral("N%1").arg(slot),
          2021,
          QStringLiteral("ГЭС"),
          QStringLiteral("ЗАВОД"),
          QDate(2015, 1, 1),
          inUse};
}

SampleRows::Point pointAt(double voltage, const QString& rep) {
  return {voltage, 100, QStringLiteral("1.000"), 0.5, QDate(2024, 3, 5), rep, 0};
}
