#pragma once

// The benchmark database: 1,000 bases of 8 meters with 25 test points each
// (200,000 points), 100,000 archived meters with 10 points each (1,000,000
// archived points); about 100 MB as a SQLite file.
class Connection;

namespace benchdb {

constexpr int kBases = 1000;
constexpr int kMetersPerBase = 8;
constexpr int kPointsPerMeter = 25;
constexpr int kArchivedMeters = 100000;
constexpr int kPointsPerArchived = 10;

// Fills the program's (empty) tables with the generated rows, in one transaction.
void populate(Connection& db);

}  // namespace benchdb
