#include <QAction>
#include <QApplication>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "../database/DatabaseFixture.h"
#include "LegacyFolder.h"
#include "app/Windows.h"
#include "archive/ArchiveBrowser.h"
#include "settings/SettingsRecords.h"
#include "support/TestRegistry.h"
#include "support/Widgets.h"
#include "ui/DatasetGrid.h"
#include "ui/FileDialogs.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"
#include "workspace/MainWindow.h"

// "Файл > Импорт из прежней программы…" through the program's own windows:
// the folder from the file dialog, the check's summary and its question, the
// import with its progress window, the tree and the archive afterwards, the
// old settings files offered; a cancelled progress window writes nothing.
class ImportCommandTest : public QObject {
  Q_OBJECT
 private slots:
  void importsThroughTheMenu();
  void cancellingTheProgressWritesNothing();
};

namespace {

const QString kCaption = QStringLiteral("Импорт из прежней программы");

// The program's windows on a fresh program directory, as the start-up makes them.
struct Program : DatabaseFixture {
  Program() {
    Config = ProgramConfig{};
    windows = std::make_unique<WindowSet>(*dm, selection);
    windows->mainWindow().show();
  }
  ~Program() { windows.reset(); }
  MainWindow& main() { return windows->mainWindow(); }
  QStringList baseCaptions() {
    // The root node "База счетчиков" first, then the bases beside it.
    QTreeWidget* tree = widgets::child<QTreeWidget>(main(), "baseTree");
    QStringList captions;
    for (int i = 1; i < tree->topLevelItemCount(); ++i) captions << tree->topLevelItem(i)->text(0);
    return captions;
  }

  Selection selection;
  std::unique_ptr<WindowSet> windows;
};

QByteArray oldConfig() {
  ProgramConfig config;
  config.ComPort = 1;
  config.ProtocolNumber = QStringLiteral("77");
  return encodeProgramConfig(config);
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QByteArray readFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

void ImportCommandTest::importsThroughTheMenu() {
  Program program;
  QTemporaryDir old;
  writeLegacyFolder(old.path(), labHistory());
  writeFile(old.filePath("CONFIG.PRT"), oldConfig());
  InstallationInfo installation;
  installation.InstallNumber = QStringLiteral("СТ-12");
  const QByteArray oldInstallation = encodeInstallationInfo(installation);
  writeFile(old.filePath("file.ust"), oldInstallation);
  // The program wrote its zero record for the missing file at start: not a choice of its own.
  QCOMPARE(readFile(program.dir.filePath("sources/config.prt")), QByteArray(ProgramConfig::kSize, '\0'));

  FileDialogs::ScriptedSaveNames folders({{old.path()}});
  MessageService::ScriptedAnswers answers;  // yes to every question
  widgets::trigger(program.main(), "importLegacyAction");

  QCOMPARE(folders.requests().size(), size_t(1));
  QCOMPARE(folders.requests().front().caption, kCaption);
  QCOMPARE(answers.shown().size(), size_t(3));
  const MessageService::ShownBox& question = answers.shown()[0];
  QCOMPARE(question.kind, MessageService::Kind::Confirmation);
  QCOMPARE(question.caption, kCaption);
  QVERIFY2(question.text.contains("Base.db: прочитано 3, импортировано 3, пропущено 0\n") &&
               question.text.contains("Master.DB, запись 4: нет базы «Нет такой»; счетчик пропущен.\n") &&
               question.text.endsWith("\n\nИмпортировать?"),
           qPrintable(question.text));
  QVERIFY(answers.shown()[1].text.startsWith("Импорт завершён.\nBase.db: прочитано 3, импортировано 3"));
  QCOMPARE(answers.shown()[2].text,
           QStringLiteral("В папке прежней программы есть файлы настроек (config.prt, file.ust), а своих у "
                          "программы нет. Скопировать их в папку sources?"));

  QCOMPARE(program.baseCaptions(), (QStringList{"Б1 Поверка", "Щит №2 «Восток»", "Пустая"}));
  QTreeWidget* tree = widgets::child<QTreeWidget>(program.main(), "baseTree");
  QVERIFY(!tree->grab().isNull());
  QCOMPARE(readFile(program.dir.filePath("sources/config.prt")), oldConfig());
  QCOMPARE(readFile(program.dir.filePath("sources/file.ust")), oldInstallation);
  QVERIFY(widgets::child<QAction>(program.main(), "com2Action")->isChecked());

  widgets::trigger(program.main(), "viewArchiveAction");
  QCOMPARE(widgets::child<DatasetGrid>(program.windows->archiveBrowser(), "meterGrid")->model()->rowCount(),
           2);
  program.windows->archiveBrowser().close();
}

void ImportCommandTest::cancellingTheProgressWritesNothing() {
  Program program;
  program.addBase("Б0");
  const qint64 meter = program.addMeter("Б0", 1);
  program.addPoints(meter, 3);
  program.addArchivedMeter("СО-505", "012345", 2001);
  const QStringList before = databaseLines(program.db());
  QTemporaryDir old;
  writeLegacyFolder(old.path(), labHistory());
  writeFile(old.filePath("config.prt"), oldConfig());

  // The operator presses "Отмена" in the import's progress window once it shows.
  bool pressed = false;
  QTimer operatorHand;
  QObject::connect(&operatorHand, &QTimer::timeout, [&] {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      auto* progress = qobject_cast<QProgressDialog*>(window);
      if (!progress || progress->objectName() != "importProgressDialog" || !progress->isVisible()) continue;
      QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
      pressed = true;
      operatorHand.stop();
    }
  });
  operatorHand.start(0);
  FileDialogs::ScriptedSaveNames folders({{old.path()}});
  MessageService::ScriptedAnswers answers;
  widgets::trigger(program.main(), "importLegacyAction");

  QVERIFY(pressed);
  QCOMPARE(answers.texts().size(), 2);  // the question, then the notice; no settings offered
  QVERIFY(answers.texts()[0].endsWith("Импортировать?"));
  QCOMPARE(answers.texts()[1], QStringLiteral("Импорт отменён, база данных не изменена."));
  QCOMPARE(databaseLines(program.db()), before);
  QCOMPARE(program.baseCaptions(), QStringList{"Б0"});
  QCOMPARE(readFile(program.dir.filePath("sources/config.prt")), QByteArray(ProgramConfig::kSize, '\0'));
}

VT3417_REGISTER_TEST(ImportCommandTest)
#include "ImportCommandTest.moc"
