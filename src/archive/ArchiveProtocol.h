#pragma once

#include <optional>

#include "reports/VerificationProgram.h"

class DataModule;
class Dataset;

// The accuracy class archived with the meter at the cursor of an archive
// meters dataset; nothing when it has none.
std::optional<double> archivedClass(Dataset& meter);

// Refills exportRows with the rows of the Excel archive protocol from the archived
// meters archivedMeters currently lists, in its order: per meter one row per
// archived test point, the meter's own fields (identity from the archive row,
// nominal values from its base as it stands now) on the first row only.
// Every value is the field's edit text cut to 20 characters; an empty value
// stays null. A meter without points adds no row.
//
// Each point's limit (Limit, "±1,0") when the limits judge it, and on the
// meter's first row its verdict over all its archived points against the
// program of its class and type (Verdict, "годен" / "не годен"; empty when not
// judged), in the class archived with the meter.
//
// Leaves archivedMeters on its last row, archivedPoints on that meter's last
// point and bases on that meter's base. Returns false when the list holds no
// meter at all (then no report is made).
bool fillArchiveProtocolRows(DataModule& dm);  // with the program's limits and programs
bool fillArchiveProtocolRows(DataModule& dm, const AccuracyLimits& limits,
                             const VerificationPrograms& programs = VerificationPrograms());

class MemoryDataset;
class QByteArray;
class QDate;
class QString;

// The workbook of the archive protocol: the template (sources/look.xls) with
// the rows of exportRows filled into its range "Range1" under the alias "RxData",
// and, where the template has the range "Totals", the fixed values of the
// alias "RxTotals" there (Columns::ExportTotals): the number of result rows,
// and the day the workbook is made (`today`) in the locale's short format.
// Throws XlsReportError with the report's own message (template or range
// missing, not a workbook).
QByteArray buildArchiveWorkbook(const MemoryDataset& rows, const QString& templatePath, const QDate& today);
