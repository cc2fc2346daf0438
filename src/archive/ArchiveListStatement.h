#pragma once

#include "database/Statements.h"

// The statement of the archive browser's meter list for the five filter texts
// (Statements::ArchiveFilter: as typed) in the order of sortField ("tip",
// "myNumber" or "myYear", any case; anything else throws std::runtime_error).
//
// What it lists: a type ending in "*" is a prefix taken literally (% and _
// included), any other type an exact match; a serial number range "от" alone
// is an exact match, the range compares text with text; a year "от" alone is
// that year (a year that is not a whole number throws std::runtime_error);
// "до" fields alone filter nothing.
//
// How: the list is re-queried at every keystroke over archives of 100,000
// meters, and the grid shows the first rows at once. So the statement lets
// the database walk the index of the sort column and filter on the way,
// instead of collecting every match of a wide range to sort it, and without
// reading rows that do not match. Exact matches stay plain indexed lookups;
// they select few meters, which sort at no cost.
Statement archiveListStatement(const Statements::ArchiveFilter& filter, const QString& sortField);
