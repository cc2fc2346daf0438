#pragma once

#include <QDate>
#include <QDateTime>

// Dates of the settings files: days counted from 30 December 1899, the time of
// day as the fraction. Before that day the whole days are negative while the
// fraction still counts forward (-1.25 is 29 December 1899, 06:00).
// The values are wall-clock times without a time zone: dateTimeFromDays hands
// them out as UTC so that no daylight-saving rule shifts them, and
// daysFromDateTime takes the date and time fields as they stand.

QDateTime dateTimeFromDays(double days);
double daysFromDateTime(const QDateTime& dateTime);

// The date part alone (of the time rounded to milliseconds).
QDate dateFromDays(double days);
double daysFromDate(QDate date);
