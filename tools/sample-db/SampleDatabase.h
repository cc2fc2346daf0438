#pragma once

#include <QDate>
#include <QString>

#include <memory>

class Connection;
class TableDataset;

// Writes bases, meters and test points into a measurement database the way the
// program stores them. Used to give the demo a populated program directory and
// the tests their fixtures.
class SampleRows {
 public:
  struct Meter {
    int slot = 1;
    QString type;
    QString number;
    int year = 2020;
    QString user;
    QString maker;
    QDate oldDate;
    bool inUse = true;
  };
  struct Point {
    double voltage = 100;
    double current = 100;
    QString powerFactor = QStringLiteral("1.000");
    double error = 0;
    QDate date;
    QString rep;  // "R": marked for the report
    int count = 0;
  };

  explicit SampleRows(Connection& connection);
  ~SampleRows();
  SampleRows(const SampleRows&) = delete;
  SampleRows& operator=(const SampleRows&) = delete;

  // Each returns the key (Num or N) the database gave the new row.
  qint64 addBase(const QString& name, double voltage = 220, double current = 5, double constant = 1600,
                 double accuracyClass = 1);
  qint64 addMeter(const QString& base, const Meter& meter);
  qint64 addPoint(qint64 meterNum, const Point& point);

 private:
  std::unique_ptr<TableDataset> bases_;
  std::unique_ptr<TableDataset> meters_;
  std::unique_ptr<TableDataset> points_;
};

// Creates the database file with the demo's two bases, their meters and test
// points. False (and nothing written) when the file exists already.
// Throws std::runtime_error when the file cannot be created.
bool createSampleDatabase(const QString& databaseFile);
