#pragma once

class TDM1;

// Refills RxData with the rows of the Excel archive protocol from the archived
// meters QMasterArhive currently lists, in its order: per meter one row per
// archived test point, the meter's own fields (identity from the archive row,
// nominal values from its base as it stands now) on the first row only.
// Every value is the field's edit text cut to 20 characters; an empty value
// stays null. A meter without points adds no row.
//
// Leaves QMasterArhive on its last row, TSlaveArhive on that meter's last
// point and QBase on that meter's base. Returns false when the list holds no
// meter at all (then no report is made).
bool FillArchiveProtocolRows(TDM1& dm);

class MemoryDataset;
class QByteArray;
class QString;

// The workbook of the archive protocol: the template (sources/look.xls) with
// the rows of RxData filled into its range "Range1" under the alias "RxData".
// Throws XlsReportError with the report's own message (template or range
// missing, not a workbook).
QByteArray BuildArchiveWorkbook(const MemoryDataset& rows, const QString& templatePath);
