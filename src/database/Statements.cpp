#include "database/Statements.h"

#include <QHash>

#include <stdexcept>

namespace {

const QString kBase = QStringLiteral("base");
const QString kMaster = QStringLiteral("master");
const QString kSlave = QStringLiteral("slave");
const QString kMasterArhive = QStringLiteral("masterarhive");
const QString kSlaveArhiv = QStringLiteral("Slavearhiv");

// The archive columns the browser sorts by and lists distinct values of.
QString archiveColumn(const QString& name) {
  static const QHash<QString, QString> columns{
      {QStringLiteral("tip"), QStringLiteral("tip")},
      {QStringLiteral("mynumber"), QStringLiteral("mynumber")},
      {QStringLiteral("myyear"), QStringLiteral("myyear")},
  };
  const auto found = columns.find(name.toLower());
  if (found == columns.end())
    throw std::runtime_error(QStringLiteral("Недопустимое поле архива: %1").arg(name).toStdString());
  return found.value();
}

// The least text above every text beginning with `prefix`, empty when there is
// no simple one (no prefix, or a last character that cannot be raised).
QString prefixUpperBound(const QString& prefix) {
  if (prefix.isEmpty()) return {};
  const QChar last = prefix.back();
  if (last.isSurrogate() || last.unicode() >= 0xD7FF) return {};
  return prefix.chopped(1) + QChar(char16_t(last.unicode() + 1));
}

}  // namespace

qint64 archiveYearValue(const QString& text) {
  bool ok = false;
  const qint64 year = text.trimmed().toLongLong(&ok);
  if (!ok)
    throw std::runtime_error(
        QStringLiteral("Год выпуска \"%1\" не является числом.").arg(text).toStdString());
  return year;
}

// A LIKE pattern matching texts that begin with `prefix` taken literally.
QString likePrefixPattern(const QString& prefix) {
  QString escaped = prefix;
  escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
  escaped.replace(QLatin1Char('%'), QLatin1String("\\%"));
  escaped.replace(QLatin1Char('_'), QLatin1String("\\_"));
  return escaped + QLatin1Char('%');
}

namespace Statements {

Statement allBases() { return {QStringLiteral("select * from base order by num"), {}, kBase}; }

Statement baseByName(const QString& name) {
  return {QStringLiteral("select * from base where namebase = ? order by num"), {name}, kBase};
}

Statement basesWithMetersInUse() {
  return {QStringLiteral(
              "select base.num as num, base.namebase as namebase, master.numberch as numberch from base "
              "left join master on master.base = base.namebase and master.myvisible = ? "
              "order by base.num, master.numberch, master.num"),
          {true},
          kBase};
}

Statement allMeters() { return {QStringLiteral("select * from master order by num"), {}, kMaster}; }

Statement metersOfBase(const QString& base, bool orderedBySlot) {
  return {orderedBySlot ? QStringLiteral("select * from master where base = ? order by numberch, num")
                        : QStringLiteral("select * from master where base = ? order by num"),
          {base},
          kMaster};
}

Statement metersOfBaseInUse(const QString& base, bool orderedBySlot) {
  return {orderedBySlot
              ? QStringLiteral("select * from master where base = ? and myvisible = ? order by numberch, num")
              : QStringLiteral("select * from master where base = ? and myvisible = ? order by num"),
          {base, true},
          kMaster};
}

Statement meterInSlot(const QString& base, int slot) {
  return {QStringLiteral("select * from master where numberch = ? and base = ? order by num"),
          {qint64(slot), base},
          kMaster};
}

Statement meterInSlotInUse(const QString& base, int slot) {
  return {
      QStringLiteral("select * from master where base = ? and numberch = ? and myvisible = ? order by num"),
      {base, qint64(slot), true},
      kMaster};
}

Statement metersOfBaseByTypeAndNumber(const QString& base, const QString& type, const QString& number) {
  return {QStringLiteral("select * from master where base = ? and tip = ? and mynumber = ? order by num"),
          {base, type, number},
          kMaster};
}

Statement unusedMetersOfBaseByTypeAndNumber(const QString& base, const QString& type, const QString& number) {
  return {
      QStringLiteral(
          "select * from master where base = ? and tip = ? and mynumber = ? and myvisible = ? order by num"),
      {base, type, number, false},
      kMaster};
}

Statement deletePointsOfMeter(qint64 meterNum) {
  return {QStringLiteral("delete from slave where num = ?"), {meterNum}, kSlave};
}

Statement markedPointsOfMeter(qint64 meterNum) {
  return {QStringLiteral("select * from slave where rep = ? and num = ? order by n"),
          {QStringLiteral("R"), meterNum},
          kSlave};
}

Statement chartPointsOfMeter(qint64 meterNum, bool markedOnly) {
  if (markedOnly)
    return {QStringLiteral("select tok, km, opogr, rep from slave where rep = ? and num = ? order by n"),
            {QStringLiteral("R"), meterNum},
            kSlave};
  return {
      QStringLiteral("select tok, km, opogr, rep from slave where num = ? order by n"), {meterNum}, kSlave};
}

Statement countMarkedPoints(qint64 meterNum) {
  return {QStringLiteral("select count(*) as marked from slave where rep = ? and num = ?"),
          {QStringLiteral("R"), meterNum},
          kSlave};
}

Statement markedPointsOfBaseInUse(const QString& base) { return pointsOfBaseInUse(base, true); }

Statement pointsOfBaseInUse(const QString& base, bool markedOnly) {
  const QString select = QStringLiteral(
      "select master.num as num, slave.tok as tok, slave.km as km, slave.opogr as opogr, "
      "slave.voltage as voltage from master join slave on slave.num = master.num "
      "where master.base = ? and master.myvisible = ? ");
  const QString order = QStringLiteral("order by master.num, slave.n");
  if (markedOnly)
    return {select + QStringLiteral("and slave.rep = ? ") + order, {base, true, QStringLiteral("R")}, kSlave};
  return {select + order, {base, true}, kSlave};
}

Statement allArchivedMeters() {
  return {QStringLiteral("select * from masterarhive order by num"), {}, kMasterArhive};
}

Statement archivedMetersByTypeAndNumber(const QString& type, const QString& number) {
  return {QStringLiteral("select * from masterarhive where tip = ? and mynumber = ? order by num"),
          {type, number},
          kMasterArhive};
}

Statement archivedMetersOfBase(const QString& base) {
  return {QStringLiteral("select * from masterarhive where base = ? order by num"), {base}, kMasterArhive};
}

Statement deleteArchivedMeter(qint64 num) {
  return {QStringLiteral("delete from masterarhive where num = ?"), {num}, kMasterArhive};
}

Statement holdArchivedMeter(qint64 num) {
  return {QStringLiteral("update masterarhive set num = num where num = ?"), {num}, kMasterArhive};
}

Statement deletePointsOfArchivedMeter(qint64 archivedMeterNum) {
  return {QStringLiteral("delete from Slavearhiv where num = ?"), {archivedMeterNum}, kSlaveArhiv};
}

Statement archivedPointsOfMeterUpTo(qint64 archivedMeterNum, qint64 lastKey) {
  return {QStringLiteral("select * from Slavearhiv where num = ? and n <= ? order by n"),
          {archivedMeterNum, lastKey},
          kSlaveArhiv};
}

Statement largestArchivedPointKey() {
  return {QStringLiteral("select max(n) from Slavearhiv"), {}, kSlaveArhiv};
}

Statement renumberArchivedPoints(const QList<qint64>& archivedMeterNums) {
  QStringList marks;
  QVariantList values;
  for (qint64 num : archivedMeterNums) {
    marks << QStringLiteral("?");
    values << num;
  }
  return {QStringLiteral("update Slavearhiv set count = (select count(*) from Slavearhiv earlier "
                         "where earlier.num = Slavearhiv.num and earlier.n <= Slavearhiv.n) "
                         "where num in (%1)")
              .arg(marks.join(QStringLiteral(", "))),
          values, kSlaveArhiv};
}

Statement rowCount(const QString& table) {
  static const QStringList tables{kBase, kMaster, kSlave, kMasterArhive, kSlaveArhiv};
  if (!tables.contains(table)) throw std::logic_error("rowCount: unknown table");
  return {QStringLiteral("select count(*) from %1").arg(table), {}, table};
}

Statement archiveFilter(const ArchiveFilter& filter, const QString& sortField) {
  // The key breaks ties, so the list reads the same page by page.
  const QString order = QStringLiteral(" order by ") + archiveColumn(sortField) + QStringLiteral(", num");
  Statement statement{QStringLiteral("select * from masterarhive"), {}, kMasterArhive};
  QStringList conditions;
  if (!filter.type.isEmpty()) {
    if (filter.type.endsWith(QLatin1Char('*'))) {
      const QString prefix = filter.type.chopped(1);
      conditions << QStringLiteral("tip like ? escape '\\'");
      statement.values << likePrefixPattern(prefix);
      // The same prefix as a range of the type index (texts compare by code).
      if (const QString bound = prefixUpperBound(prefix); !bound.isEmpty()) {
        conditions << QStringLiteral("tip >= ? and tip < ?");
        statement.values << prefix << bound;
      }
    } else {
      conditions << QStringLiteral("tip = ?");
      statement.values << filter.type;
    }
  }
  if (!filter.numberFrom.isEmpty()) {
    conditions << QStringLiteral("mynumber between ? and ?");
    statement.values << filter.numberFrom
                     << (filter.numberTo.isEmpty() ? filter.numberFrom : filter.numberTo);
  }
  if (!filter.yearFrom.isEmpty()) {
    conditions << QStringLiteral("myyear between ? and ?");
    statement.values << archiveYearValue(filter.yearFrom)
                     << archiveYearValue(filter.yearTo.isEmpty() ? filter.yearFrom : filter.yearTo);
  }
  if (!conditions.isEmpty())
    statement.sql += QStringLiteral(" where ") + conditions.join(QStringLiteral(" and "));
  statement.sql += order;
  return statement;
}

Statement distinctArchiveValues(const QString& column) {
  const QString name = archiveColumn(column);
  return {QStringLiteral("select distinct %1 from masterarhive order by %1").arg(name), {}, kMasterArhive};
}

}  // namespace Statements
