#include "archive/UdataBase.h"

#include "ui_UdataBase.h"

#include "archive/ArchiveEdits.h"
#include "archive/ArchiveListStatement.h"
#include "archive/ArchiveProtocol.h"
#include "bases/OptionsForm.h"
#include "database/DatasetModel.h"
#include "database/UDM.h"
#include "reports/DesktopOpen.h"
#include "reports/XlReport.h"
#include "settings/ProgramDir.h"
#include "shell/MessageService.h"
#include "shell/Windows.h"
#include "workspace/DBGrid.h"
#include "workspace/UExper.h"

#include <QCloseEvent>
#include <QDate>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QScreen>

namespace {

const QString kDeletionCaption = QStringLiteral("Удаление данных");

// Fields of the six detail labels.
const QStringList kDetailFields{QStringLiteral("Nvoltage"), QStringLiteral("NTok"),  QStringLiteral("KlasT"),
                                QStringLiteral("MyUser"),   QStringLiteral("Maker"), QStringLiteral("Pered")};

// A button shows its own caption but does what its action does, when its
// action allows it.
void BindButton(QAbstractButton* button, QAction* action) {
  button->setEnabled(action->isEnabled());
  button->setToolTip(action->toolTip());
  QObject::connect(action, &QAction::enabledChanged, button, &QWidget::setEnabled);
  QObject::connect(button, &QAbstractButton::clicked, action, [action] { action->trigger(); });
}

// The sort column named by a meter grid field.
QString SortFieldOf(const QString& field) {
  const QString lower = field.toLower();
  if (lower == QLatin1String("tip")) return QStringLiteral("tip");
  if (lower == QLatin1String("mynumber")) return QStringLiteral("myNumber");
  if (lower == QLatin1String("myyear")) return QStringLiteral("myYear");
  return {};
}

// Lower-case Latin letters and the Cyrillic а..я (not ё) are typed as capitals.
bool IsCapitalisedLetter(QChar c) {
  return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QChar(0x0430) && c <= QChar(0x044F));
}

// The archived points of the meter under the cursor, one at a time.
void DeleteEveryRow(TableDataset& points) {
  while (!points.isEmpty()) points.remove();
}

void ClearQuietly(QComboBox* box) {
  box->clear();
  box->clearEditText();
}

}  // namespace

TFDataBase::TFDataBase(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::TFDataBase>()) {
  ui->setupUi(this);
  FormCreate();
}

TFDataBase::~TFDataBase() = default;

QAction* TFDataBase::AButtonGetArhive() const { return ui->AButtonGetArhive; }
QAction* TFDataBase::AbuttonDelM() const { return ui->AbuttonDelM; }
QAction* TFDataBase::AProtocolExel() const { return ui->AProtocolExel; }
QAction* TFDataBase::AClose() const { return ui->AClose; }
QAction* TFDataBase::AButtonDelS() const { return ui->AButtonDelS; }
QAction* TFDataBase::AButtonDelAllS() const { return ui->AButtonDelAllS; }
QAction* TFDataBase::Aclear() const { return ui->Aclear; }
QComboBox* TFDataBase::CBTip() const { return ui->CBTip; }
QComboBox* TFDataBase::CBnumber1() const { return ui->CBnumber1; }
QComboBox* TFDataBase::CBnumber() const { return ui->CBnumber; }
QComboBox* TFDataBase::CBYear1() const { return ui->CBYear1; }
QComboBox* TFDataBase::CBYear() const { return ui->CBYear; }
TDBGrid* TFDataBase::DBGrid2() const { return ui->DBGrid2; }
TDBGrid* TFDataBase::DBGrid1() const { return ui->DBGrid1; }

QLabel* TFDataBase::DetailLabel(const QString& field) const {
  return findChild<QLabel*>(QStringLiteral("DB") + field);
}

// --- creation, opening, closing ---

void TFDataBase::FormCreate() {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(702, 509);

  DBGrid2()->setDataset(
      DM1->QMasterArhive,
      {{QStringLiteral("Tip"), 115}, {QStringLiteral("MyNumber"), 115}, {QStringLiteral("MyYear"), 92}});
  DBGrid2()->datasetModel()->setColumnTitle(QStringLiteral("Tip"), QStringLiteral("Тип счетчика"));
  DBGrid2()->datasetModel()->setColumnTitle(QStringLiteral("MyNumber"), QStringLiteral("Заводской номер"));
  DBGrid2()->datasetModel()->setColumnTitle(QStringLiteral("MyYear"), QStringLiteral("Год выпуска"));
  DBGrid2()->horizontalHeader()->setSectionsClickable(true);
  connect(DBGrid2()->horizontalHeader(), &QHeaderView::sectionClicked, this, &TFDataBase::DBGrid2TitleClick);

  DBGrid1()->setDataset(DM1->TSlaveArhive, {{QStringLiteral("Count"), 37},
                                            {QStringLiteral("Voltage"), 102},
                                            {QStringLiteral("Tok"), 77},
                                            {QStringLiteral("KM"), 98},
                                            {QStringLiteral("Opogr"), 123},
                                            {QStringLiteral("Date"), 103},
                                            {QStringLiteral("OldDate"), 123}});

  connect(DM1->QMasterArhive, &Dataset::currentRowChanged, this, &TFDataBase::ShowMeterDetails);
  connect(DM1->QMasterArhive, &Dataset::rowsReset, this, &TFDataBase::ShowMeterDetails);
  connectActions();
  connectFilterInputs();
  ShowMeterDetails();
}

void TFDataBase::connectActions() {
  BindButton(ui->BDelMeter, ui->AbuttonDelM);
  BindButton(ui->BExcel, ui->AProtocolExel);
  BindButton(ui->BGetArhive, ui->AButtonGetArhive);
  BindButton(ui->BClose, ui->AClose);
  BindButton(ui->BDelPoint, ui->AButtonDelS);
  BindButton(ui->BDelAllPoints, ui->AButtonDelAllS);
  BindButton(ui->BClear, ui->Aclear);
  connect(ui->AButtonGetArhive, &QAction::triggered, this, &TFDataBase::AButtonGetArhiveExecute);
  connect(ui->AbuttonDelM, &QAction::triggered, this, &TFDataBase::AbuttonDelMExecute);
  connect(ui->AProtocolExel, &QAction::triggered, this, &TFDataBase::AProtocolExelExecute);
  connect(ui->AClose, &QAction::triggered, this, &TFDataBase::ACloseExecute);
  connect(ui->AButtonDelS, &QAction::triggered, this, &TFDataBase::AButtonDelSExecute);
  connect(ui->AButtonDelAllS, &QAction::triggered, this, &TFDataBase::AButtonDelAllSExecute);
  connect(ui->Aclear, &QAction::triggered, this, &TFDataBase::AclearExecute);
  connect(ui->ATipRefrech, &QAction::triggered, this, &TFDataBase::ATipRefrechExecute);
  connect(ui->AmySQL, &QAction::triggered, this, &TFDataBase::AmySQLExecute);
}

// Only what the operator changes re-queries the list: typing (textEdited) or
// picking from the list (activated). The program's own changes stay quiet.
void TFDataBase::connectFilterInputs() {
  for (QComboBox* box : {CBTip(), CBnumber1(), CBnumber(), CBYear1(), CBYear()}) {
    box->setCompleter(nullptr);  // the filter takes exactly what was typed
    connect(box->lineEdit(), &QLineEdit::textEdited, this, &TFDataBase::AmySQLExecute);
    connect(box, &QComboBox::activated, this, &TFDataBase::AmySQLExecute);
  }
  CBTip()->lineEdit()->installEventFilter(this);
  // Years take digits only, typed or pasted.
  for (QComboBox* box : {CBYear1(), CBYear()})
    box->lineEdit()->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box));
}

// The browser becomes active each time it is opened; returning from a message
// box or another program is no new activation and keeps the operator's filter.
void TFDataBase::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  FormActivate();
}

void TFDataBase::FormActivate() { ATipRefrechExecute(); }

void TFDataBase::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  FormClose();
}

void TFDataBase::FormClose() {
  SetActionStates(false);
  if (ChOptions && ChOptions->isVisible()) {
    ChOptions->setEnabled(true);
  } else if (Form2) {
    Form2->setEnabled(true);
    Form2->ShowSelection();
  }
}

// Taking a meter over excludes the deletions and the protocol; the design
// states are the other way round.
void TFDataBase::SetActionStates(bool takeOver) {
  AButtonGetArhive()->setEnabled(takeOver);
  for (QAction* action : {AProtocolExel(), AButtonDelS(), AButtonDelAllS(), AbuttonDelM()})
    action->setEnabled(!takeOver);
}

void TFDataBase::OpenForTakeOver() {
  SetActionStates(true);
  show();
}

void TFDataBase::ACloseExecute() { close(); }

// --- the meter list: filter, lists, sorting ---

void TFDataBase::AmySQLExecute() {
  if (sortField_.isEmpty()) sortField_ = QStringLiteral("tip");
  const Statements::ArchiveFilter filter{CBTip()->currentText(), CBnumber1()->currentText(),
                                         CBnumber()->currentText(), CBYear1()->currentText(),
                                         CBYear()->currentText()};
  DM1->QMasterArhive->reopen(ArchiveListStatement(filter, sortField_));
}

void TFDataBase::ATipRefrechExecute() {
  for (QComboBox* box : {CBTip(), CBnumber(), CBnumber1(), CBYear(), CBYear1()}) ClearQuietly(box);
  FillFilterList(QStringLiteral("tip"), {CBTip()});
  FillFilterList(QStringLiteral("mynumber"), {CBnumber(), CBnumber1()});
  FillFilterList(QStringLiteral("myyear"), {CBYear(), CBYear1()});
}

// The lists cover the whole archive, not the current filter.
void TFDataBase::FillFilterList(const QString& column, std::initializer_list<QComboBox*> boxes) {
  QStringList values;
  QueryDataset& query = *DM1->Query2;
  query.reopen(Statements::distinctArchiveValues(column));
  for (query.first(); !query.eof(); query.next()) values << query.field(0).asText();
  for (QComboBox* box : boxes) {
    box->addItems(values);
    box->setCurrentIndex(-1);  // adding to an empty list would pick the first item
    box->clearEditText();
  }
}

void TFDataBase::DBGrid2TitleClick(int column) {
  const QString field = SortFieldOf(DBGrid2()->fieldNameAt(column));
  if (field.isEmpty()) return;
  sortField_ = field;
  AmySQLExecute();
}

void TFDataBase::AclearExecute() {
  for (QComboBox* box : {CBTip(), CBnumber1(), CBnumber(), CBYear1(), CBYear()}) box->clearEditText();
  AmySQLExecute();
}

bool TFDataBase::eventFilter(QObject* watched, QEvent* event) {
  if (watched == CBTip()->lineEdit() && event->type() == QEvent::KeyPress)
    return CBTipKeyPress(watched, event);
  return QWidget::eventFilter(watched, event);
}

// Types are kept in capitals: a lower-case letter is typed as its capital.
bool TFDataBase::CBTipKeyPress(QObject* watched, QEvent* event) {
  const auto* key = static_cast<QKeyEvent*>(event);
  const QString text = key->text();
  if (text.size() != 1 || !IsCapitalisedLetter(text.front())) return false;
  QKeyEvent capital(QEvent::KeyPress, key->key(), key->modifiers(), QLocale().toUpper(text),
                    key->isAutoRepeat(), static_cast<quint16>(key->count()));
  QCoreApplication::sendEvent(watched, &capital);
  return true;
}

void TFDataBase::ShowMeterDetails() {
  QueryDataset& meters = *DM1->QMasterArhive;
  const bool onMeter = HasArchivedMeter() && meters.currentRow() >= 0;
  for (const QString& field : kDetailFields)
    DetailLabel(field)->setText(onMeter ? meters.fieldByName(field).asText() : QString());
}

// --- deletions ---

// The archived meter under the cursor. Points and deletions need one: with
// the meter list closed (a failed statement) the points table is not limited
// to any meter.
bool TFDataBase::HasArchivedMeter() const {
  return DM1->QMasterArhive->isOpen() && !DM1->QMasterArhive->isEmpty();
}

bool TFDataBase::ConfirmDeletion(const QString& question) {
  return MessageService::confirm(this, kDeletionCaption, question);
}

void TFDataBase::AbuttonDelMExecute() {
  if (!HasArchivedMeter()) return;
  if (!ConfirmDeletion(QStringLiteral("Вы действительно хотите удалить счетчик ?"))) return;
  QueryDataset& meters = *DM1->QMasterArhive;
  TableDataset& points = *DM1->TSlaveArhive;
  const qint64 num = meters.fieldByName(QStringLiteral("Num")).asInteger();
  RunAllOrNothing(*DM1->connection(),
                  [&] {
                    DeleteEveryRow(points);
                    DM1->SQLScript->run(Statements::deleteArchivedMeter(num));
                  },
                  {&points});
  meters.reopen(meters.statement());
  ATipRefrechExecute();
}

void TFDataBase::AButtonDelSExecute() {
  if (!HasArchivedMeter() || DM1->TSlaveArhive->isEmpty()) return;
  if (!ConfirmDeletion(QStringLiteral("Вы действительно хотите удалить измерение ?"))) return;
  DM1->TSlaveArhive->remove();
}

void TFDataBase::AButtonDelAllSExecute() {
  TableDataset& points = *DM1->TSlaveArhive;
  if (!HasArchivedMeter() || points.isEmpty()) return;
  if (!ConfirmDeletion(QStringLiteral("Вы действительно хотите удалить все измерения ?"))) return;
  RunAllOrNothing(*DM1->connection(), [&] { DeleteEveryRow(points); }, {&points});
}

// --- Excel protocol and take-over ---

// The listed meters and their points into a workbook made from the template,
// saved under "protocols" and opened for the operator. The report's own
// errors get its own box with a single Cancel button.
void TFDataBase::AProtocolExelExecute() {
  if (!FillArchiveProtocolRows(*DM1)) return;
  QByteArray workbook;
  try {
    workbook = BuildArchiveWorkbook(*DM1->RxData, ProgramPath(QStringLiteral("sources/look.xls")));
  } catch (const XlsReportError& error) {
    MessageService::cancelOnly(this, AProtocolExel()->text(), QString::fromUtf8(error.what()));
    return;
  }
  HandToUser(workbook, QStringLiteral("Архив счетчиков %1").arg(QDate::currentDate().toString(Qt::ISODate)),
             QStringLiteral("xlsx"));
}

// The archived meter under the cursor goes back into the editor's current
// slot. Without one (a filter that lists nothing) nothing happens: the slot's
// meter is not given up for nothing.
void TFDataBase::AButtonGetArhiveExecute() {
  if (!HasArchivedMeter()) return;
  QueryDataset& meter = *DM1->QMasterArhive;
  const QString type = meter.fieldByName(QStringLiteral("Tip")).asText();
  const QString number = meter.fieldByName(QStringLiteral("MyNumber")).asText();
  const QString year = meter.fieldByName(QStringLiteral("MyYear")).asText();
  close();
  if (ChOptions) ChOptions->TakeOverArchivedMeter(type, number, year);
}
