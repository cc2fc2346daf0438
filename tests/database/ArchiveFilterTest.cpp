#include <QTest>
#include "database/QueryDataset.h"

#include "database/DatabaseFixture.h"
#include "support/TestRegistry.h"

// The archive browser's filter statement run on a real archive.
class ArchiveFilterTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase();
  void cleanupTestCase() { fixture_.reset(); }
  void filterSelectsAndOrders_data();
  void filterSelectsAndOrders();
  void badSortFieldOrYearIsRefused();
  void distinctValuesCoverTheArchive();

 private:
  std::unique_ptr<DatabaseFixture> fixture_;
};

void ArchiveFilterTest::initTestCase() {
  fixture_ = std::make_unique<DatabaseFixture>();
  fixture_->addArchivedMeter("АБВ-1", "300", 1999);
  fixture_->addArchivedMeter("АБВ-2", "100", 2001);
  fixture_->addArchivedMeter("ГДЕ", "200", 1995);
  fixture_->addArchivedMeter("АБ%", "150", 2000);
  fixture_->addArchivedMeter("АБГ", "400", 2010);
}

void ArchiveFilterTest::filterSelectsAndOrders_data() {
  QTest::addColumn<QStringList>("texts");  // type, number from, to, year from, to
  QTest::addColumn<QString>("sortField");
  QTest::addColumn<QStringList>("numbers");
  QTest::newRow("nothing: all by type")
      << QStringList{"", "", "", "", ""} << "tip" << QStringList{"150", "300", "100", "400", "200"};
  QTest::newRow("'to' fields alone filter nothing") << QStringList{"", "", "150", "", "1990"} << "myNumber"
                                                    << QStringList{"100", "150", "200", "300", "400"};
  QTest::newRow("type prefix") << QStringList{"АБВ*", "", "", "", ""} << "tip" << QStringList{"300", "100"};
  QTest::newRow("prefix with a literal %")
      << QStringList{"АБ%*", "", "", "", ""} << "tip" << QStringList{"150"};
  QTest::newRow("bare * matches every type")
      << QStringList{"*", "", "", "", ""} << "myYear" << QStringList{"200", "300", "150", "100", "400"};
  QTest::newRow("exact type") << QStringList{"АБВ", "", "", "", ""} << "tip" << QStringList{};
  QTest::newRow("number from alone is exact")
      << QStringList{"", "200", "", "", ""} << "tip" << QStringList{"200"};
  QTest::newRow("number range, text order")
      << QStringList{"", "100", "200", "", ""} << "mynumber" << QStringList{"100", "150", "200"};
  QTest::newRow("year alone") << QStringList{"", "", "", "1999", ""} << "tip" << QStringList{"300"};
  QTest::newRow("year from above to") << QStringList{"", "", "", "2001", "1995"} << "tip" << QStringList{};
  QTest::newRow("all three") << QStringList{"АБ*", "100", "300", "1999", "2001"} << "myyear"
                             << QStringList{"300", "150", "100"};
}

void ArchiveFilterTest::filterSelectsAndOrders() {
  QFETCH(QStringList, texts);
  QFETCH(QString, sortField);
  QFETCH(QStringList, numbers);
  QueryDataset* q = fixture_->dm->archivedMeters;
  q->reopen(Statements::archiveFilter({texts[0], texts[1], texts[2], texts[3], texts[4]}, sortField));
  QStringList found;
  for (q->first(); !q->eof(); q->next()) found << q->fieldByName("mynumber").asText();
  QCOMPARE(found, numbers);
}

void ArchiveFilterTest::badSortFieldOrYearIsRefused() {
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, Statements::archiveFilter({}, "tip; drop table base"));
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, Statements::archiveFilter({"", "", "", "19x", ""}, "tip"));
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, Statements::distinctArchiveValues("maker"));
}

void ArchiveFilterTest::distinctValuesCoverTheArchive() {
  fixture_->addArchivedMeter("ГДЕ", "201", 1995);
  QueryDataset* q = fixture_->dm->markedPoints;
  q->reopen(Statements::distinctArchiveValues("myYear"));
  QStringList years;
  for (q->first(); !q->eof(); q->next()) years << QString::number(q->fieldByName("myYear").asInteger());
  QCOMPARE(years, (QStringList{"1995", "1999", "2000", "2001", "2010"}));
  q->reopen(Statements::distinctArchiveValues("tip"));
  QCOMPARE(q->recordCount(), 5);
}

VT3417_REGISTER_TEST(ArchiveFilterTest)
#include "ArchiveFilterTest.moc"
