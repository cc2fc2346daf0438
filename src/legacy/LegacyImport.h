#pragma once

#include "legacy/ImportSummary.h"

#include <QString>

#include <functional>
#include <stdexcept>

class Connection;

struct LegacyImportOptions {
  // False: a check. Everything is read and counted as the import would, the
  // database is only read.
  bool write = true;
  // A base whose name the database already has is imported as "name
  // (импорт)" ("name (импорт 2)", ...); without it such a base refuses the import.
  bool renameBases = false;
};

// Rows done of rows total, now and then; false cancels the import.
using ImportProgress = std::function<bool(qint64 done, qint64 total)>;

// The operator cancelled: nothing was written.
class ImportCancelled : public std::runtime_error {
 public:
  ImportCancelled() : std::runtime_error("Импорт отменён, база данных не изменена.") {}
};

// Imports the five tables of the old bench program in `folder` (Base.db,
// Master.DB, slave.DB, MasterArhive.db, Slavearhiv.DB) into the database of
// `target`, all or nothing, in one transaction:
//
// - Into an empty database every row keeps its key. Into one that has rows,
//   rows get new keys and the relations follow them (meters to their base by
//   name, test points to their meter, archived points to their archived meter).
// - A base whose name the database has is a conflict (see renameBases); a
//   base name that repeats in the old table keeps its first row.
// - A meter without its base, a test point without its meter, an archived
//   point without its archived meter and a row with an empty required field
//   are reported and skipped.
// - An archived meter (type and serial number) the database or an earlier row
//   already has is not added again: it receives the points it does not have
//   yet, and its points are numbered 1, 2, 3 ... anew, as the archive
//   transfer numbers them.
// - A date before 1900 or after 9999, or a number that is not finite, is
//   reported and stored empty.
//
// The summary counts every table and lists every problem. Throws
// LegacyFileError (a missing, truncated or foreign table, a field missing or
// of another type: nothing read is written), ImportCancelled and the database's
// own errors; then nothing is written. With base names in conflict the
// summary says so (refusals) and nothing is written.
//
// For a check `target` may be null: the database does not exist yet and
// counts as empty.
ImportSummary importLegacyTables(const QString& folder, Connection* target,
                                 const LegacyImportOptions& options, const ImportProgress& progress = {});
