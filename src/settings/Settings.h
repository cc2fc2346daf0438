#pragma once

// The settings unit: the settings records and their files, the numeric text
// conversions and the day count of the settings files' dates.
#include "settings/DayCount.h"
#include "settings/NumericText.h"
#include "settings/SettingsRecords.h"
