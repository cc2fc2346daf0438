#include "database/Dataset.h"

#include "database/FieldText.h"
#include "database/FieldValue.h"

#include <QMetaMethod>
#include <QSqlRecord>

#include <algorithm>
#include <exception>
#include <stdexcept>

namespace {

// Rows read at once from a long result; more follow as the cursor or a grid
// reaches them.
constexpr int kBatchRows = 256;
constexpr int kLargestPage = 65536;

[[noreturn]] void fail(const QString& text) { throw std::runtime_error(text.toStdString()); }

}  // namespace

// ---------------------------------------------------------------- FieldRef

const FieldDef& FieldRef::def() const { return dataset_->fieldDef(index_); }
bool FieldRef::isNull() const { return dataset_->currentValue(index_).isNull(); }
QVariant FieldRef::value() const { return dataset_->currentValue(index_); }
QString FieldRef::asText() const { return fieldEditText(value(), def().type); }
qint64 FieldRef::asInteger() const { return FieldValue::toInteger(value(), def()); }
double FieldRef::asReal() const { return FieldValue::toReal(value(), def()); }
QDate FieldRef::asDate() const { return FieldValue::toDate(value(), def()); }
bool FieldRef::asBool() const { return FieldValue::toBool(value(), def()); }

void FieldRef::setText(const QString& text) const {
  dataset_->setBufferValue(index_, FieldValue::fromText(text, def()));
}
void FieldRef::setInteger(qint64 value) const { setValue(value); }
void FieldRef::setReal(double value) const { setValue(value); }
void FieldRef::setDate(const QDate& value) const { setValue(value.isValid() ? QVariant(value) : QVariant()); }
void FieldRef::setBool(bool value) const { setValue(value); }
void FieldRef::setNull() const { dataset_->setBufferValue(index_, QVariant()); }
void FieldRef::setValue(const QVariant& value) const {
  dataset_->setBufferValue(index_, FieldValue::fromVariant(value, def()));
}

// ---------------------------------------------------------------- Dataset

Dataset::Dataset(Connection* connection, QObject* parent) : QObject(parent), connection_(connection) {
  if (connection_) connection_->addReader(this);
}

Dataset::~Dataset() {
  if (connection_) connection_->removeReader(this);
}

void Dataset::open() {
  if (isOpen()) return;
  if (!connection_) fail(QStringLiteral("База данных не открыта."));
  emit aboutToResetRows();
  try {
    runSelect();
  } catch (...) {
    resetRows();
    emit rowsReset();
    throw;
  }
  setState(DatasetState::Browse);
  emit opened();
  announceFirstRow();
}

void Dataset::close() {
  if (!isOpen()) return;
  if (state_ == DatasetState::Edit || state_ == DatasetState::Insert) {
    // While an error unwinds (a scope guard closing after a failed store) the
    // pending row is dropped: posting it again would only fail again.
    if (std::uncaught_exceptions() > 0) {
      cancel();
    } else {
      try {
        post();
      } catch (...) {
        cancel();  // a row the database refuses is not kept half-made
      }
    }
  }
  emit aboutToResetRows();
  closeRows();
}

// Forgets the rows and closes; the rows' replacement must have been announced.
void Dataset::closeRows() {
  resetRows();
  current_ = -1;
  bof_ = eof_ = true;
  setState(DatasetState::Inactive);
  emit closed();
  emit rowsReset();
  emit currentRowChanged(-1);
}

// The cursor on the first of freshly read rows.
void Dataset::announceFirstRow() {
  current_ = rows_.isEmpty() ? -1 : 0;
  bof_ = true;
  eof_ = rows_.isEmpty();
  emit rowsReset();
  emit currentRowChanged(current_);
}

void Dataset::refresh() {
  if (!isOpen()) return open();
  const int row = current_;
  requery();
  if (row > 0) moveTo(std::min(row, recordCount() - 1));
}

void Dataset::requery() {
  if (!isOpen()) return;
  if (state_ == DatasetState::Edit || state_ == DatasetState::Insert) post();
  emit aboutToResetRows();
  try {
    runSelect();
  } catch (...) {
    closeRows();  // a statement the engine refused leaves the dataset closed
    throw;
  }
  announceFirstRow();
}

void Dataset::invalidate() {
  if (!isOpen()) return;
  if (state_ == DatasetState::Edit || state_ == DatasetState::Insert) post();
  emit aboutToResetRows();
  resetRows();
  current_ = -1;
  bof_ = eof_ = true;
  stale_ = true;
  emit rowsReset();
  if (isSignalConnected(QMetaMethod::fromSignal(&Dataset::currentRowChanged)))
    emit currentRowChanged(currentRow());
}

void Dataset::ensureFresh() const {
  if (!stale_) return;
  // Reading the rows again does not change what the dataset is, only when its
  // rows are read; hence callable from the const accessors.
  auto* self = const_cast<Dataset*>(this);
  self->stale_ = false;
  try {
    self->runSelect();
  } catch (...) {
    self->resetRows();
    throw;
  }
  self->current_ = rows_.isEmpty() ? -1 : 0;
  self->bof_ = true;
  self->eof_ = rows_.isEmpty();
}

void Dataset::settlePostedRow() {
  if (!postedAhead_) return;
  const QVector<QVariant> posted = *postedAhead_;
  fetchAll();
  const int row = static_cast<int>(rows_.lastIndexOf(posted));
  setCurrent(row >= 0 ? row : current_);
  bof_ = eof_ = rows_.isEmpty();
}

void Dataset::resetRows() {
  postedAhead_.reset();
  hasMore_ = false;
  stale_ = false;
  rows_.clear();
  buffer_.clear();
}

// One page of the running statement. No statement is left open between pages:
// an open read would keep SQLite from ever emptying its write-ahead log.
QSqlQuery Dataset::readPage(int rows) { return connection_->execute(pageStatement(running_, rows)); }

Statement Dataset::pageStatement(const Statement& select, int rows) const {
  Statement page = select;
  page.sql += QStringLiteral(" limit ? offset ?");
  page.values << qint64(rows) << qint64(rows_.size());
  return page;
}

void Dataset::runSelect() {
  resetRows();
  running_ = selectStatement();
  QSqlQuery query = readPage(kBatchRows);
  const QSqlRecord record = query.record();
  QVector<FieldDef> fields;
  QHash<QString, int> byName;
  for (int i = 0; i < record.count(); ++i) {
    FieldDef def = describeColumn(record.field(i));
    const QString key = def.name.toLower();
    if (const auto label = labels_.find(key); label != labels_.end()) def.label = label.value();
    if (const auto shown = visibility_.find(key); shown != visibility_.end()) def.visible = shown.value();
    byName.insert(key, i);
    fields << def;
  }
  fields_ = fields;
  fieldByLowerName_ = byName;
  checkFields();
  readRows(query, kBatchRows);
}

int Dataset::readRows(QSqlQuery& query, int rows) {
  const ServerWatchdog::Watch watch = connection_->watchServer();
  int read = 0;
  while (read < rows && query.next()) {
    QVector<QVariant> row(fields_.size());
    for (int i = 0; i < fields_.size(); ++i)
      row[i] = FieldValue::fromDatabase(query.value(i), fields_[i].type);
    rows_.append(std::move(row));
    ++read;
  }
  connection_->recycle(std::move(query));
  hasMore_ = read == rows;
  return read;
}

FieldDef Dataset::describeColumn(const QSqlField& column) const {
  FieldDef def;
  def.name = column.name();
  switch (column.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Short:
      def.type = FieldType::Integer;
      break;
    case QMetaType::Double:
    case QMetaType::Float:
      def.type = FieldType::Real;
      break;
    case QMetaType::Bool:
      def.type = FieldType::Bool;
      break;
    case QMetaType::QDate:
    case QMetaType::QDateTime:
      def.type = FieldType::Date;
      break;
    default:
      def.type = FieldType::Text;
  }
  return def;
}

int Dataset::fetchMore(int maxRows) {
  ensureFresh();
  if (!hasMore_) return 0;
  const int first = fetchedCount();
  // Pages grow with the rows already read, so reading a long result whole
  // costs a few statements, not one per screen.
  const int rows = std::clamp(std::max(maxRows, first), kBatchRows, kLargestPage);
  QSqlQuery query = readPage(rows);
  readRows(query, rows);
  const int added = fetchedCount() - first;
  if (added > 0 && state_ != DatasetState::Inactive) emit rowsFetched(first, fetchedCount() - 1);
  return added;
}

void Dataset::fetchUntil(int row) {
  while (hasMore_ && row >= fetchedCount()) fetchMore(row + 1 - fetchedCount());
}

void Dataset::fetchAll() {
  while (hasMore_) fetchMore(kLargestPage);
}

void Dataset::completeReadsOf(const QString& table) {
  const QString reads = readTable();
  if (hasMore_ && (table.isEmpty() || reads.isEmpty() || reads.compare(table, Qt::CaseInsensitive) == 0))
    fetchAll();
}

// ---------------------------------------------------------------- cursor

void Dataset::requireRow() const {
  if (!isOpen()) fail(QStringLiteral("Набор данных закрыт."));
  ensureFresh();
}

void Dataset::setCurrent(int row) {
  postedAhead_.reset();
  if (row == current_) return;
  current_ = row;
  emit currentRowChanged(row);
}

void Dataset::first() {
  requireRow();
  if (state_ != DatasetState::Browse) post();
  fetchUntil(0);
  setCurrent(rows_.isEmpty() ? -1 : 0);
  bof_ = true;
  eof_ = rows_.isEmpty();
}

void Dataset::next() {
  requireRow();
  if (state_ != DatasetState::Browse) post();
  fetchUntil(current_ + 1);
  if (current_ + 1 < fetchedCount()) {
    setCurrent(current_ + 1);
    bof_ = eof_ = false;
  } else {
    eof_ = true;
  }
}

void Dataset::prior() {
  requireRow();
  if (state_ != DatasetState::Browse) post();
  if (current_ > 0) {
    setCurrent(current_ - 1);
    bof_ = eof_ = false;
  } else {
    bof_ = true;
  }
}

void Dataset::last() {
  requireRow();
  if (state_ != DatasetState::Browse) post();
  fetchAll();
  setCurrent(fetchedCount() - 1);
  eof_ = true;
  bof_ = rows_.isEmpty();
}

bool Dataset::moveTo(int row) {
  requireRow();
  if (row < 0) return false;
  fetchUntil(row);
  if (row >= fetchedCount()) return false;
  if (state_ != DatasetState::Browse) post();
  setCurrent(row);
  bof_ = eof_ = false;
  return true;
}

bool Dataset::isEmpty() {
  if (!isOpen()) return true;
  ensureFresh();
  fetchUntil(0);
  return rows_.isEmpty();
}

int Dataset::recordCount() {
  if (!isOpen()) return 0;
  ensureFresh();
  fetchAll();
  return fetchedCount();
}

// ---------------------------------------------------------------- fields

int Dataset::fieldIndex(const QString& name) const { return fieldByLowerName_.value(name.toLower(), -1); }

FieldRef Dataset::fieldByName(const QString& name) {
  const int index = fieldIndex(name);
  if (index < 0) fail(QStringLiteral("Поле '%1' не найдено.").arg(name));
  return FieldRef(this, index);
}

QVariant Dataset::valueAt(int row, int column) const {
  ensureFresh();
  if (row < 0 || row >= rows_.size() || column < 0 || column >= fields_.size()) return {};
  return rows_[row][column];
}

QVariant Dataset::currentValue(int index) const {
  if (!isOpen())
    fail(QStringLiteral("Набор данных закрыт: поле %1 недоступно.").arg(fields_.value(index).name));
  if (state_ == DatasetState::Edit || state_ == DatasetState::Insert) return buffer_.value(index);
  if (postedAhead_) return postedAhead_->value(index);
  ensureFresh();
  return current_ >= 0 ? rows_[current_].value(index) : QVariant();
}

void Dataset::setDisplayLabel(const QString& fieldName, const QString& label) {
  labels_.insert(fieldName.toLower(), label);
  if (const int index = fieldIndex(fieldName); index >= 0) fields_[index].label = label;
}

void Dataset::setFieldVisible(const QString& fieldName, bool visible) {
  visibility_.insert(fieldName.toLower(), visible);
  if (const int index = fieldIndex(fieldName); index >= 0) fields_[index].visible = visible;
}

// ---------------------------------------------------------------- editing

void Dataset::checkEditing() const {
  if (state_ != DatasetState::Edit && state_ != DatasetState::Insert)
    fail(QStringLiteral("Набор данных не находится в режиме редактирования."));
}

void Dataset::setBufferValue(int index, const QVariant& value) {
  checkEditing();
  if (fields_[index].type == FieldType::AutoIncrement)
    fail(QStringLiteral("Поле %1 заполняется базой данных.").arg(fields_[index].name));
  buffer_[index] = value;
}

void Dataset::setState(DatasetState state) {
  if (state_ == state) return;
  state_ = state;
  emit stateChanged(state);
}

void Dataset::append() {
  requireRow();
  if (!canModify()) fail(QStringLiteral("Набор данных только для чтения."));
  if (state_ != DatasetState::Browse) post();
  postedAhead_.reset();
  buffer_ = QVector<QVariant>(fields_.size());
  setState(DatasetState::Insert);
}

void Dataset::edit() {
  requireRow();
  if (!canModify()) fail(QStringLiteral("Набор данных только для чтения."));
  if (state_ == DatasetState::Edit || state_ == DatasetState::Insert) return;
  settlePostedRow();
  if (current_ < 0) fail(QStringLiteral("Нет записи для изменения."));
  buffer_ = rows_[current_];
  setState(DatasetState::Edit);
}

void Dataset::post() {
  if (state_ != DatasetState::Edit && state_ != DatasetState::Insert) return;
  for (int i = 0; i < fields_.size(); ++i)
    if (fields_[i].required && buffer_[i].isNull())
      fail(QStringLiteral("Поле %1 должно быть заполнено.").arg(fields_[i].name));
  if (state_ == DatasetState::Insert) {
    QVector<QVariant> stored = storeInsert(buffer_);
    buffer_.clear();
    setState(DatasetState::Browse);
    if (!belongsHere(stored)) return;
    if (hasMore_) {
      // Its place is after rows not read yet: it is shown when the cursor gets
      // there, and read as the current row until the cursor moves.
      postedAhead_ = std::move(stored);
      return;
    }
    rows_.append(std::move(stored));
    emit rowInserted(fetchedCount() - 1);
    setCurrent(fetchedCount() - 1);
    bof_ = eof_ = false;
  } else {
    storeUpdate(rows_[current_], buffer_);
    rows_[current_] = buffer_;
    buffer_.clear();
    setState(DatasetState::Browse);
    if (belongsHere(rows_[current_])) {
      emit rowChanged(current_);
    } else {
      removeCachedRow(current_);
    }
  }
}

void Dataset::cancel() {
  if (state_ != DatasetState::Edit && state_ != DatasetState::Insert) return;
  buffer_.clear();
  setState(DatasetState::Browse);
}

void Dataset::remove() {
  requireRow();
  if (!canModify()) fail(QStringLiteral("Набор данных только для чтения."));
  cancel();
  settlePostedRow();
  if (current_ < 0) fail(QStringLiteral("Нет записи для удаления."));
  const QVector<QVariant> row = rows_[current_];
  connection_->runTransaction([&] {
    if (beforeDelete_) beforeDelete_();
    storeDelete(row);
  });
  // The rule may have moved this dataset; drop the row wherever it is now.
  const int index = rows_.indexOf(row);
  if (index >= 0) removeCachedRow(index);
}

void Dataset::removeCachedRow(int index) {
  emit rowAboutToBeRemoved(index);
  rows_.remove(index);
  emit rowRemoved(index);
  const int row = std::min(index, fetchedCount() - 1);
  current_ = -2;  // make setCurrent announce the row even when its number is unchanged
  setCurrent(row);
  bof_ = rows_.isEmpty();
  eof_ = rows_.isEmpty();
}

QVector<QVariant> Dataset::storeInsert(const QVector<QVariant>&) {
  fail(QStringLiteral("Набор данных только для чтения."));
}
void Dataset::storeUpdate(const QVector<QVariant>&, const QVector<QVariant>&) {
  fail(QStringLiteral("Набор данных только для чтения."));
}
void Dataset::storeDelete(const QVector<QVariant>&) {
  fail(QStringLiteral("Набор данных только для чтения."));
}
