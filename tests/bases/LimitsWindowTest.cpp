#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "support/TempProgramDir.h"
#include "support/TestRegistry.h"
#include "support/Widgets.h"

#include "bases/LimitsWindow.h"

namespace {

void writeLimits(const TempProgramDir& program, const QByteArray& text) {
  QFile file(program.filePath(QStringLiteral("sources/limits.csv")));
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text);
}

}  // namespace

using widgets::rowTexts;

// "Сервис > Пределы погрешности": the limits read from the program's file, read-only.
class LimitsWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void showsTheFileItJudgesWith() {
    TempProgramDir program;
    writeLimits(
        program,
        "Класс;cos φ;Ток от, %;Ток до, %;Предел, %\n0.5 (0,5S);0.5/L;2;10;1.0\n1;1;10;;1,5\nbad line\n");
    QWidget opener;
    LimitsWindow window;
    window.open(&opener);
    QVERIFY(!opener.isEnabled());
    auto* table = window.findChild<QTableWidget*>(QStringLiteral("limitsTable"));
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(rowTexts(table, 0), (QStringList{"0.5 (0,5S)", "0,5/L", "2", "10", "±1,0"}));
    QCOMPARE(rowTexts(table, 1), (QStringList{"1", "1", "10", "", "±1,5"}));
    QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    const QString path = QDir::toNativeSeparators(program.filePath(QStringLiteral("sources/limits.csv")));
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("pathLabel"))->text(), QStringLiteral("Файл: ") + path);
    const QString problems = window.findChild<QLabel*>(QStringLiteral("problemsLabel"))->text();
    QVERIFY2(problems.contains(QStringLiteral("строка 4: ожидается 5 полей")), qPrintable(problems));

    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("closeButton")), Qt::LeftButton);
    QVERIFY(!window.isVisible());
    QVERIFY(opener.isEnabled());
  }

  void missingFileIsSaid() {
    TempProgramDir program;
    LimitsWindow window;
    window.open(nullptr);
    QCOMPARE(window.findChild<QTableWidget*>(QStringLiteral("limitsTable"))->rowCount(), 0);
    QVERIFY(
        window.findChild<QLabel*>(QStringLiteral("pathLabel"))->text().contains(QStringLiteral("нет файла")));
    QWidget* focused = QApplication::focusWidget();
    QTest::keyClick(focused ? focused : &window, Qt::Key_Escape);
    QVERIFY(!window.isVisible());
  }
};

VT3417_REGISTER_TEST(LimitsWindowTest)
#include "LimitsWindowTest.moc"
