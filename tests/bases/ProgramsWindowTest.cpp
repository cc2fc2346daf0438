#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTableWidget>
#include <QTest>

#include "support/TempProgramDir.h"
#include "support/TestRegistry.h"
#include "support/Widgets.h"

#include "bases/ProgramsWindow.h"

namespace {

void writePrograms(const TempProgramDir& program, const QByteArray& text) {
  QFile file(program.filePath(QStringLiteral("sources/programs.csv")));
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text);
}

}  // namespace

using widgets::rowTexts;

// "Сервис > Программы поверки": the programs read from the program's file, read-only.
class ProgramsWindowTest : public QObject {
  Q_OBJECT
 private slots:
  // By class and type, each program's points numbered in the file's order.
  void showsTheProgramsByClassAndType() {
    TempProgramDir program;
    writePrograms(program,
                  "Класс;Тип;Напряжение, %;Ток, %;cos φ\n1;;100;5;1\n1;СЕ 101;100;400;0.5/L\n"
                  "0,5S;;100;1;1\n1;;100;10;0,8/C\n1;;100;5;0.5\n");
    QWidget opener;
    ProgramsWindow window;
    window.open(&opener);
    QVERIFY(!opener.isEnabled());
    auto* table = window.findChild<QTableWidget*>(QStringLiteral("programsTable"));
    QCOMPARE(table->rowCount(), 4);
    QCOMPARE(rowTexts(table, 0), (QStringList{"0,5S", "все типы", "1", "100", "1", "1"}));
    QCOMPARE(rowTexts(table, 1), (QStringList{"1", "все типы", "1", "100", "5", "1"}));
    QCOMPARE(rowTexts(table, 2), (QStringList{"1", "все типы", "2", "100", "10", "0,8 емк."}));
    QCOMPARE(rowTexts(table, 3), (QStringList{"1", "СЕ 101", "1", "100", "400", "0,5 инд."}));
    QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    const QString path = QDir::toNativeSeparators(program.filePath(QStringLiteral("sources/programs.csv")));
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("pathLabel"))->text(), QStringLiteral("Файл: ") + path);
    const QString problems = window.findChild<QLabel*>(QStringLiteral("problemsLabel"))->text();
    QVERIFY2(problems.contains(QStringLiteral("строка 6: у cos φ «0.5» нет буквы")), qPrintable(problems));

    QWidget* focused = QApplication::focusWidget();
    QTest::keyClick(focused ? focused : &window, Qt::Key_Escape);
    QVERIFY(!window.isVisible());
    QVERIFY(opener.isEnabled());
  }

  void missingFileIsSaid() {
    TempProgramDir program;
    ProgramsWindow window;
    window.open(nullptr);
    QCOMPARE(window.findChild<QTableWidget*>(QStringLiteral("programsTable"))->rowCount(), 0);
    QVERIFY(
        window.findChild<QLabel*>(QStringLiteral("pathLabel"))->text().contains(QStringLiteral("нет файла")));
    QVERIFY(!window.findChild<QLabel*>(QStringLiteral("problemsLabel"))->isVisibleTo(&window));
    window.close();
  }
};

VT3417_REGISTER_TEST(ProgramsWindowTest)
#include "ProgramsWindowTest.moc"
