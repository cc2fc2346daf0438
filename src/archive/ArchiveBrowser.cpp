#include "archive/ArchiveBrowser.h"

#include <QStringListModel>

#include "ui_ArchiveBrowser.h"

#include "archive/ArchiveEdits.h"
#include "archive/ArchiveListStatement.h"
#include "archive/ArchiveProtocol.h"
#include "archive/ArchiveTransfer.h"
#include "bases/BaseEditor.h"
#include "bases/InputValidators.h"
#include "database/Columns.h"
#include "database/DataModule.h"
#include "database/DatasetModel.h"
#include "database/Rows.h"
#include "reports/DesktopOpen.h"
#include "reports/JudgedCells.h"
#include "reports/XlReport.h"
#include "settings/ProgramDir.h"
#include "ui/DatasetGrid.h"
#include "ui/MessageService.h"
#include "ui/Workspace.h"

#include <QCloseEvent>
#include <QDate>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QScreen>

namespace {

const QString kDeletionCaption = QStringLiteral("Удаление данных");

// Fields of the six detail labels.
const QStringList kDetailFields{
    Columns::ArchivedMeter::nominalVoltage, Columns::ArchivedMeter::nominalCurrent,
    Columns::ArchivedMeter::accuracyClass,  Columns::ArchivedMeter::owner,
    Columns::ArchivedMeter::maker,          Columns::ArchivedMeter::meterConstant};

// A button shows its own caption but does what its action does, when its
// action allows it.
void bindButton(QAbstractButton* button, QAction* action) {
  button->setEnabled(action->isEnabled());
  button->setToolTip(action->toolTip());
  QObject::connect(action, &QAction::enabledChanged, button, &QWidget::setEnabled);
  QObject::connect(button, &QAbstractButton::clicked, action, [action] { action->trigger(); });
}

// The sort column named by a meter grid field, as archiveListStatement takes it.
QString sortFieldOf(const QString& field) {
  if (field.compare(Columns::ArchivedMeter::type, Qt::CaseInsensitive) == 0) return QStringLiteral("tip");
  if (field.compare(Columns::ArchivedMeter::serialNumber, Qt::CaseInsensitive) == 0)
    return QStringLiteral("myNumber");
  if (field.compare(Columns::ArchivedMeter::year, Qt::CaseInsensitive) == 0) return QStringLiteral("myYear");
  return {};
}

// The archived points of the meter under the cursor, one at a time.
void deleteEveryRow(TableDataset& points) {
  while (!points.isEmpty()) points.remove();
}

void clearQuietly(QComboBox* box) {
  box->clear();
  box->clearEditText();
}

}  // namespace

ArchiveBrowser::ArchiveBrowser(DataModule& dataModule, Workspace* workspace, BaseEditor* editor,
                               QWidget* parent)
    : QWidget(parent),
      ui(std::make_unique<Ui::ArchiveBrowser>()),
      dm_(dataModule),
      workspace_(workspace),
      editor_(editor) {
  ui->setupUi(this);
  setUpWindow();
}

ArchiveBrowser::~ArchiveBrowser() = default;

QLabel* ArchiveBrowser::detailLabel(const QString& field) const {
  const std::pair<QLatin1String, QLabel*> labels[] = {
      {Columns::ArchivedMeter::nominalVoltage, ui->nominalVoltageValueLabel},
      {Columns::ArchivedMeter::nominalCurrent, ui->nominalCurrentValueLabel},
      {Columns::ArchivedMeter::accuracyClass, ui->accuracyClassValueLabel},
      {Columns::ArchivedMeter::owner, ui->ownerValueLabel},
      {Columns::ArchivedMeter::maker, ui->makerValueLabel},
      {Columns::ArchivedMeter::meterConstant, ui->meterConstantValueLabel},
  };
  for (const auto& [name, label] : labels)
    if (field == name) return label;
  return nullptr;
}

// --- creation, opening, closing ---

void ArchiveBrowser::setUpWindow() {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(702, 509);

  namespace Meter = Columns::ArchivedMeter;
  ui->meterGrid->setDataset(dm_.archivedMeters,
                            {{Meter::type, 115}, {Meter::serialNumber, 115}, {Meter::year, 92}});
  ui->meterGrid->datasetModel()->setColumnTitle(Meter::type, QStringLiteral("Тип счетчика"));
  ui->meterGrid->datasetModel()->setColumnTitle(Meter::serialNumber, QStringLiteral("Заводской номер"));
  ui->meterGrid->datasetModel()->setColumnTitle(Meter::year, QStringLiteral("Год выпуска"));
  ui->meterGrid->horizontalHeader()->setSectionsClickable(true);
  connect(ui->meterGrid->horizontalHeader(), &QHeaderView::sectionClicked, this,
          &ArchiveBrowser::onMeterTitleClicked);

  namespace Point = Columns::ArchivedPoint;
  ui->pointGrid->setDataset(dm_.archivedPoints, {{Point::number, 37},
                                                 {Point::voltagePercent, 102},
                                                 {Point::currentPercent, 77},
                                                 {Point::powerFactor, 98},
                                                 {Point::error, 123},
                                                 {Point::date, 103},
                                                 {Point::previousCheck, 123}});
  showPointJudgements(ui->pointGrid, [this]() -> std::optional<double> {
    QueryDataset* meters = dm_.archivedMeters;
    if (!meters->isOpen() || meters->isEmpty()) return std::nullopt;
    return archivedClass(*meters);
  });

  connect(dm_.archivedMeters, &Dataset::currentRowChanged, this, &ArchiveBrowser::showMeterDetails);
  connect(dm_.archivedMeters, &Dataset::rowsReset, this, &ArchiveBrowser::showMeterDetails);
  connectActions();
  connectFilterInputs();
  showMeterDetails();
}

void ArchiveBrowser::connectActions() {
  bindButton(ui->deleteMeterButton, ui->deleteMeterAction);
  bindButton(ui->excelButton, ui->excelProtocolAction);
  bindButton(ui->takeOverButton, ui->takeOverAction);
  bindButton(ui->closeButton, ui->closeAction);
  bindButton(ui->deletePointButton, ui->deletePointAction);
  bindButton(ui->deleteAllPointsButton, ui->deleteAllPointsAction);
  bindButton(ui->clearFilterButton, ui->clearFilterAction);
  connect(ui->takeOverAction, &QAction::triggered, this, &ArchiveBrowser::takeOver);
  connect(ui->deleteMeterAction, &QAction::triggered, this, &ArchiveBrowser::deleteMeter);
  connect(ui->excelProtocolAction, &QAction::triggered, this, &ArchiveBrowser::writeExcelProtocol);
  connect(ui->closeAction, &QAction::triggered, this, &ArchiveBrowser::closeBrowser);
  connect(ui->deletePointAction, &QAction::triggered, this, &ArchiveBrowser::deletePoint);
  connect(ui->deleteAllPointsAction, &QAction::triggered, this, &ArchiveBrowser::deleteAllPoints);
  connect(ui->clearFilterAction, &QAction::triggered, this, &ArchiveBrowser::clearFilter);
  connect(ui->refreshTypesAction, &QAction::triggered, this, &ArchiveBrowser::refreshTypeList);
  connect(ui->applyFilterAction, &QAction::triggered, this, &ArchiveBrowser::applyFilter);
}

// Only what the operator changes re-queries the list: typing (textEdited) or
// picking from the list (activated). The program's own changes stay quiet.
void ArchiveBrowser::connectFilterInputs() {
  for (QComboBox* box :
       {ui->typeFilter, ui->numberFromFilter, ui->numberToFilter, ui->yearFromFilter, ui->yearToFilter}) {
    box->setCompleter(nullptr);  // the filter takes exactly what was typed
    connect(box->lineEdit(), &QLineEdit::textEdited, this, &ArchiveBrowser::applyFilter);
    connect(box, &QComboBox::activated, this, &ArchiveBrowser::applyFilter);
  }
  // Types are kept in capitals: a lower-case letter (Latin a-z, Cyrillic а-я)
  // becomes its capital whether it is typed (the keys reach the combo box,
  // the line edit's focus proxy) or pasted.
  ui->typeFilter->lineEdit()->setValidator(
      new CapitalsValidator(CapitalsValidator::Kind::AnyText, ui->typeFilter));
  // Years take digits only, typed or pasted.
  for (QComboBox* box : {ui->yearFromFilter, ui->yearToFilter})
    box->lineEdit()->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box));
}

// The browser becomes active each time it is opened; returning from a message
// box or another program is no new activation and keeps the operator's filter.
void ArchiveBrowser::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  onActivated();
}

void ArchiveBrowser::onActivated() { refreshTypeList(); }

void ArchiveBrowser::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  onClosed();
}

void ArchiveBrowser::onClosed() {
  setActionStates(false);
  if (editor_ && editor_->isVisible()) {
    editor_->setEnabled(true);
  } else if (workspace_) {
    workspace_->workspaceWidget()->setEnabled(true);
    workspace_->showSelection();
  }
}

// Taking a meter over excludes the deletions and the protocol; the design
// states are the other way round.
void ArchiveBrowser::setActionStates(bool takeOver) {
  ui->takeOverAction->setEnabled(takeOver);
  for (QAction* action :
       {ui->excelProtocolAction, ui->deletePointAction, ui->deleteAllPointsAction, ui->deleteMeterAction})
    action->setEnabled(!takeOver);
}

void ArchiveBrowser::openForTakeOver() {
  setActionStates(true);
  show();
}

void ArchiveBrowser::closeBrowser() { close(); }

// --- the meter list: filter, lists, sorting ---

void ArchiveBrowser::applyFilter() {
  if (sortField_.isEmpty()) sortField_ = QStringLiteral("tip");
  const Statements::ArchiveFilter filter{ui->typeFilter->currentText(), ui->numberFromFilter->currentText(),
                                         ui->numberToFilter->currentText(), ui->yearFromFilter->currentText(),
                                         ui->yearToFilter->currentText()};
  dm_.archivedMeters->reopen(archiveListStatement(filter, sortField_));
}

void ArchiveBrowser::refreshTypeList() {
  for (QComboBox* box :
       {ui->typeFilter, ui->numberToFilter, ui->numberFromFilter, ui->yearToFilter, ui->yearFromFilter})
    clearQuietly(box);
  fillFilterList(Columns::ArchivedMeter::type, {ui->typeFilter});
  fillFilterList(Columns::ArchivedMeter::serialNumber, {ui->numberToFilter, ui->numberFromFilter});
  fillFilterList(Columns::ArchivedMeter::year, {ui->yearToFilter, ui->yearFromFilter});
}

// The lists cover the whole archive, not the current filter. The "from" and
// "to" lists of a column share one list of values (a hundred thousand serial
// numbers are not made into items twice); they never insert typed text.
void ArchiveBrowser::fillFilterList(const QString& column, std::initializer_list<QComboBox*> boxes) {
  QStringList values;
  QueryDataset& query = *dm_.markedPoints;
  query.reopen(Statements::distinctArchiveValues(column));
  for (query.first(); !query.eof(); query.next()) values << query.field(0).asText();
  QStringListModel*& shared = filterValues_[column];
  if (!shared) shared = new QStringListModel(this);
  shared->setStringList(values);
  for (QComboBox* box : boxes) {
    if (box->model() != shared) box->setModel(shared);
    box->setCurrentIndex(-1);  // a filled list would pick the first item
    box->clearEditText();
  }
}

void ArchiveBrowser::onMeterTitleClicked(int column) {
  const QString field = sortFieldOf(ui->meterGrid->fieldNameAt(column));
  if (field.isEmpty()) return;
  sortField_ = field;
  applyFilter();
}

void ArchiveBrowser::clearFilter() {
  for (QComboBox* box :
       {ui->typeFilter, ui->numberFromFilter, ui->numberToFilter, ui->yearFromFilter, ui->yearToFilter})
    box->clearEditText();
  applyFilter();
}

void ArchiveBrowser::showMeterDetails() {
  QueryDataset& meters = *dm_.archivedMeters;
  const bool onMeter = hasArchivedMeter() && meters.currentRow() >= 0;
  for (const QString& field : kDetailFields)
    detailLabel(field)->setText(onMeter ? meters.fieldByName(field).asText() : QString());
}

// --- deletions ---

// The archived meter under the cursor. Points and deletions need one: with
// the meter list closed (a failed statement) the points table is not limited
// to any meter.
bool ArchiveBrowser::hasArchivedMeter() const {
  return dm_.archivedMeters->isOpen() && !dm_.archivedMeters->isEmpty();
}

bool ArchiveBrowser::confirmDeletion(const QString& question) {
  return MessageService::confirm(this, kDeletionCaption, question);
}

void ArchiveBrowser::deleteMeter() {
  if (!hasArchivedMeter()) return;
  if (!confirmDeletion(QStringLiteral("Вы действительно хотите удалить счетчик ?"))) return;
  QueryDataset& meters = *dm_.archivedMeters;
  const qint64 num = Row::ArchivedMeter::read(meters).key;
  deleteArchivedMeter(dm_, num);
  meters.reopen(meters.statement());
  refreshTypeList();
}

void ArchiveBrowser::deletePoint() {
  if (!hasArchivedMeter() || dm_.archivedPoints->isEmpty()) return;
  if (!confirmDeletion(QStringLiteral("Вы действительно хотите удалить измерение ?"))) return;
  dm_.archivedPoints->remove();
}

void ArchiveBrowser::deleteAllPoints() {
  TableDataset& points = *dm_.archivedPoints;
  if (!hasArchivedMeter() || points.isEmpty()) return;
  if (!confirmDeletion(QStringLiteral("Вы действительно хотите удалить все измерения ?"))) return;
  runAllOrNothing(*dm_.connection(), [&] { deleteEveryRow(points); }, {&points});
}

// --- Excel protocol and take-over ---

// The listed meters and their points into a workbook made from the template,
// saved under "protocols" and opened for the operator. The report's own
// errors get its own box with a single Cancel button.
void ArchiveBrowser::writeExcelProtocol() {
  if (!fillArchiveProtocolRows(dm_)) return;
  QByteArray workbook;
  try {
    workbook = buildArchiveWorkbook(*dm_.exportRows, programPath(QStringLiteral("sources/look.xls")),
                                    QDate::currentDate());
  } catch (const XlsReportError& error) {
    MessageService::cancelOnly(this, ui->excelProtocolAction->text(), QString::fromUtf8(error.what()));
    return;
  }
  handToUser(workbook, QStringLiteral("Архив счетчиков %1").arg(QDate::currentDate().toString(Qt::ISODate)),
             QStringLiteral("xlsx"));
}

// The archived meter under the cursor goes back into the editor's current
// slot. Without one (a filter that lists nothing) nothing happens: the slot's
// meter is not given up for nothing.
void ArchiveBrowser::takeOver() {
  if (!hasArchivedMeter()) return;
  QueryDataset& meter = *dm_.archivedMeters;
  const Row::ArchivedMeter archived = Row::ArchivedMeter::read(meter);
  const QString type = archived.type;
  const QString number = archived.serialNumber;
  const QString year = archived.yearText();
  close();
  if (editor_) editor_->takeOverArchivedMeter(type, number, year);
}
