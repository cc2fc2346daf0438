#include "BenchDatabase.h"

#include "database/Connection.h"

#include <QString>

namespace benchdb {
namespace {

void run(Connection& db, const QString& sql) { db.execute({sql, {}, {}}); }

// The few expressions the row generators need that the engines spell differently.
struct Dialect {
  bool postgres;
  // The number as text, zero-padded to `width` digits.
  QString padded(const QString& number, int width) const {
    return postgres ? QStringLiteral("lpad(cast(%1 as text), %2, '0')").arg(number).arg(width)
                    : QStringLiteral("substr('%1' || %2, -%3)")
                          .arg(QString(width, QLatin1Char('0')), number)
                          .arg(width);
  }
  // A day as the engine stores dates ("date(...)" is a cast on PostgreSQL).
  static QString day(const char* iso) { return QStringLiteral("date('%1')").arg(QLatin1String(iso)); }
};

}  // namespace

// Fills the tables with generated rows (recursive row generators keep it quick).
void populate(Connection& db) {
  const Dialect sql{db.isPostgres()};
  Connection::Transaction transaction(db);
  const QString numbers =
      QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) ");
  run(db, numbers.arg(kBases) +
              "insert into base (namebase, nvoltage, ntok, pered, klast) "
              "select 'База ' || " +
              sql.padded("i", 4) + ", 220, 5, 1600, 0.5 from n");
  run(db,
      numbers.arg(kBases * kMetersPerBase) +
          "insert into master (base, numberch, tip, myyear, myvisible, mynumber, myuser, mymaker, olddate) "
          "select 'База ' || " +
          sql.padded("((i - 1) / 8 + 1)", 4) + ", (i - 1) % 8 + 1, 'СО-505', 2015, 1 = 1, " +
          sql.padded("i", 7) + ", 'ЦСМ', 'Завод', " + Dialect::day("2020-01-01") + " from n");
  run(db, numbers.arg(kBases * kMetersPerBase * kPointsPerMeter) +
              "insert into slave (num, voltage, tok, km, opogr, date, rep, count) "
              "select (i - 1) / 25 + 1, 100, 100, '1.0', 0.12, " +
              Dialect::day("2024-03-05") +
              ", "
              "case when i % 3 = 0 then 'R' else null end, (i - 1) % 25 + 1 from n");
  run(db, numbers.arg(kArchivedMeters) +
              "insert into masterarhive (base, tip, myyear, myuser, maker, klast, nvoltage, ntok, pered, "
              "mynumber) "
              "select 'База ' || " +
              sql.padded("(i % 1000 + 1)", 4) + ", 'ТИП-' || " + sql.padded("(i % 60)", 2) +
              ", "
              "1990 + i % 35, 'ЦСМ', 'Завод', 0.5, 220, 5, 1600, " +
              sql.padded("(i * 7919 % 1000003)", 7) +
              " "
              "from n");
  run(db, numbers.arg(kArchivedMeters * kPointsPerArchived) +
              "insert into Slavearhiv (num, voltage, tok, km, opogr, date, olddate, count) "
              "select (i - 1) / 10 + 1, 100, 100, '1.0', 0.12, " +
              Dialect::day("2024-03-05") + ", " + Dialect::day("2020-01-01") + ", (i - 1) % 10 + 1 from n");
  transaction.commit();
  if (db.isPostgres()) {
    // The generated keys were given explicitly nowhere; the sequences moved with them.
    run(db, "vacuum analyze");
  } else {
    run(db, "analyze");
  }
}

}  // namespace benchdb
