#pragma once

#include <QLatin1String>

// The column names of the measurement database, by what each column holds.
// Apart from the statements' own SQL, the program spells a stored name only
// here: everywhere else a column is Columns::Meter::slot, not "NumberCh", so a
// misspelt column no longer compiles. The values are the names as the tables
// declare them (datasets match field names case-insensitively, so the lower
// case of the statements' SQL names the same columns).
//
// The names are constant-initialised, so the initialisers of other globals may
// use them whatever the order in which files are initialised.
namespace Columns {

// Table base: a base (a set-up of the bench) and the nominal values its meters
// are tested at.
namespace Base {
inline constexpr QLatin1String key{"Num"};
inline constexpr QLatin1String name{"NameBase"};
inline constexpr QLatin1String nominalVoltage{"Nvoltage"};  // V
inline constexpr QLatin1String nominalCurrent{"NTok"};      // A
inline constexpr QLatin1String meterConstant{"Pered"};      // pulses per kW·h (kvar·h)
inline constexpr QLatin1String accuracyClass{"KlasT"};
}  // namespace Base

// Table master: the meters in the eight slots of the bases.
namespace Meter {
inline constexpr QLatin1String key{"Num"};
inline constexpr QLatin1String base{"Base"};      // the base's name
inline constexpr QLatin1String slot{"NumberCh"};  // 1..8
inline constexpr QLatin1String type{"Tip"};
inline constexpr QLatin1String year{"MyYear"};  // of manufacture
inline constexpr QLatin1String inUse{"MyVisible"};
inline constexpr QLatin1String serialNumber{"MyNumber"};
inline constexpr QLatin1String owner{"MyUser"};
inline constexpr QLatin1String maker{"MyMaker"};
inline constexpr QLatin1String previousCheck{"Olddate"};  // date of the previous verification
}  // namespace Meter

// Table slave: the test points measured on the meters.
namespace TestPoint {
inline constexpr QLatin1String key{"N"};
inline constexpr QLatin1String meter{"Num"};               // the meter's key
inline constexpr QLatin1String voltagePercent{"Voltage"};  // % of the nominal voltage
inline constexpr QLatin1String currentPercent{"Tok"};      // % of the nominal current
inline constexpr QLatin1String powerFactor{"KM"};
inline constexpr QLatin1String error{"Opogr"};  // relative error, %
inline constexpr QLatin1String date{"Date"};
inline constexpr QLatin1String mark{"Rep"};      // "R": chosen for the protocol and the archive
inline constexpr QLatin1String number{"Count"};  // running number among the meter's points
}  // namespace TestPoint

// Table masterarhive: the archived meters, with the nominal values of the base
// each came from.
namespace ArchivedMeter {
inline constexpr QLatin1String key{"Num"};
inline constexpr QLatin1String base{"Base"};
inline constexpr QLatin1String type{"Tip"};
inline constexpr QLatin1String year{"MyYear"};
inline constexpr QLatin1String owner{"MyUser"};
inline constexpr QLatin1String maker{"Maker"};
inline constexpr QLatin1String accuracyClass{"KlasT"};
inline constexpr QLatin1String nominalVoltage{"Nvoltage"};
inline constexpr QLatin1String nominalCurrent{"NTok"};
inline constexpr QLatin1String meterConstant{"Pered"};
inline constexpr QLatin1String serialNumber{"MyNumber"};
}  // namespace ArchivedMeter

// Table Slavearhiv: the archived test points.
namespace ArchivedPoint {
inline constexpr QLatin1String key{"N"};
inline constexpr QLatin1String archivedMeter{"Num"};  // the archived meter's key
inline constexpr QLatin1String voltagePercent{"Voltage"};
inline constexpr QLatin1String currentPercent{"Tok"};
inline constexpr QLatin1String powerFactor{"KM"};
inline constexpr QLatin1String error{"Opogr"};
inline constexpr QLatin1String date{"Date"};
inline constexpr QLatin1String previousCheck{"OldDate"};  // the meter's previous verification
inline constexpr QLatin1String number{"Count"};
}  // namespace ArchivedPoint

// The fields of exportRows, the rows of the archive protocol's workbook: the
// template names them, in this spelling, in its range "Range1" (alias "RxData").
namespace ExportRow {
inline constexpr QLatin1String type{"Tip"};
inline constexpr QLatin1String serialNumber{"Number"};
inline constexpr QLatin1String year{"Year"};
inline constexpr QLatin1String owner{"User"};
inline constexpr QLatin1String maker{"Maker"};
inline constexpr QLatin1String accuracyClass{"KlasT"};
inline constexpr QLatin1String nominalVoltage{"Nvoltage"};
inline constexpr QLatin1String nominalCurrent{"NTok"};
inline constexpr QLatin1String meterConstant{"pered"};
inline constexpr QLatin1String voltagePercent{"voltage"};
inline constexpr QLatin1String currentPercent{"tok"};
inline constexpr QLatin1String powerFactor{"Km"};
inline constexpr QLatin1String error{"Pogr"};
inline constexpr QLatin1String date{"Date"};
inline constexpr QLatin1String previousCheck{"OldDate"};
inline constexpr QLatin1String limit{"Limit"};      // the permitted error of a judged point
inline constexpr QLatin1String verdict{"Verdict"};  // on the meter's first row
}  // namespace ExportRow

// The fixed values the workbook's range "Totals" (alias "RxTotals") shows.
namespace ExportTotals {
inline constexpr QLatin1String count{"Count"};  // the number of exportRows
inline constexpr QLatin1String date{"Date"};    // the day the workbook is made
}  // namespace ExportTotals

}  // namespace Columns
