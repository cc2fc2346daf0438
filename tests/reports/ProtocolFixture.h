#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

#include "database/DatabaseFixture.h"
#include "ui/Selection.h"

class MainWindow;

// A program directory with the shipped templates in "sources", a data module
// on a new database, installation data and protocol number "9" with automatic
// numbering, and the Russian locale of the lab's computers.
struct ProtocolFixture : DatabaseFixture {
  ProtocolFixture();
  ~ProtocolFixture();

  // The Word protocols of the chosen meter, as the main window's commands run them.
  QString singleReport();
  QString groupReport();
  // The main window over the fixture's data module and selection, the Word
  // protocols plugged into its commands, shown.
  std::unique_ptr<MainWindow> showMainWindow();

  // A test point; null QVariants leave fields empty.
  struct Point {
    QVariant voltage = 100;
    QVariant current = 100;
    QVariant powerFactor = QStringLiteral("1");
    QVariant error = 0.1;
    QString mark = QStringLiteral("R");
    int count = 1;
  };

  qint64 addBase(const QString& name, const QVariant& voltage = 57.7, const QVariant& current = 1.5,
                 const QVariant& accuracyClass = 0.5);
  // A meter of the base in a slot with all its fields; the serial number is given.
  qint64 addMeter(const QString& base, int slot, const QString& serialNumber, bool inUse = true,
                  const QVariant& previousVerification = QDate(2022, 3, 20));
  void addPoint(qint64 meterNum, const Point& point);
  void addMarkedPoints(qint64 meterNum, int count, double firstError = 0.1);

  // The rows as the main window leaves them after choosing the meter in a slot.
  void chooseMeter(const QString& base, int slot);

  void setProtocolNumber(const QString& number, bool automatic);
  QString storedProtocolNumber();

  // Template files in "sources" (relative names such as "look.doc").
  static QByteArray shippedTemplate(const QString& name);
  void writeTemplate(const QString& name, const QByteArray& bytes);
  void removeTemplate(const QString& name);
  QString nativePath(const QString& relative) const;

  QStringList savedProtocols() const;  // file names in "protocols"

  Selection selection;
};

// Today's date as the protocols write it.
QString todayText();
