#pragma once

#include "database/FieldDef.h"

#include <QLocale>
#include <QString>
#include <QVariant>

// The edit text of a field value, as reports, grids and exportRows show it:
//  - text as stored;
//  - integers in decimal;
//  - reals in the general format, at most 15 significant digits, the locale's
//    decimal separator, no group separators ("0,46", "100", "1,5E-7");
//  - dates in the locale's short date format ("05.03.2024" in Russian);
//  - booleans "True" / "False";
//  - null as empty text.
QString fieldEditText(const QVariant& value, FieldType type, const QLocale& locale = QLocale());

// A real in the general format with 15 significant digits (as above).
QString realEditText(double value, const QLocale& locale = QLocale());
