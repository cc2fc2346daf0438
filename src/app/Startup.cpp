#include "app/Startup.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>

#include <stdexcept>

#include "app/SingleInstance.h"
#include "app/Windows.h"
#include "database/DataModule.h"
#include "settings/ProgramDir.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"
#include "workspace/MainWindow.h"

namespace {

// Ends the message loop once the main window has really closed. Its own close
// handler may refuse to close, so the check comes after the handler has run.
class MainWindowCloseWatcher : public QObject {
 public:
  explicit MainWindowCloseWatcher(QWidget* mainWindow) : QObject(mainWindow), mainWindow_(mainWindow) {
    mainWindow->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == mainWindow_ && event->type() == QEvent::Close) {
      QTimer::singleShot(0, this, [this] {
        if (!mainWindow_->isVisible()) QCoreApplication::quit();
      });
    }
    return false;
  }

 private:
  QWidget* mainWindow_;
};

}  // namespace

bool admitFirstCopy(SingleInstance& instance) {
  if (instance.acquire()) return true;
  MessageService::topmostError(QString::fromLatin1(kInstanceName),
                               QStringLiteral("Запуск второй копии программы недопустим."));
  return false;
}

bool enterProgramDir(const QString& documentsDir, const QString& applicationDir) {
  const QString workingDir = QDir::currentPath();
  const QString dir = chooseProgramDir(workingDir, documentsDir);
  if (dir != workingDir) {
    const QString shipped = shippedSourcesDir(applicationDir);
    QStringList problems = fillProgramDir(dir, shipped);
    // Without the shipped files the program works, but the operator must know why
    // there are no templates and no limits.
    if (const QString missing = missingShippedFiles(dir, shipped); !missing.isEmpty()) problems << missing;
    for (const QString& problem : problems) MessageService::plain(problem);
  }
  if (!QDir::setCurrent(dir)) {
    MessageService::plain(
        QStringLiteral("Не удалось открыть папку программы %1.").arg(QDir::toNativeSeparators(dir)));
    return false;
  }
  setProgramDir(dir);
  return true;
}

bool enterProgramDir() {
  return enterProgramDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                         QCoreApplication::applicationDirPath());
}

int runUntilMainWindowCloses(QWidget* mainWindow) {
  // Only the main window ends the program; a dialog left open does not keep it running.
  const bool quitOnLastWindow = QApplication::quitOnLastWindowClosed();
  QApplication::setQuitOnLastWindowClosed(false);
  const QPointer<MainWindowCloseWatcher> watcher = new MainWindowCloseWatcher(mainWindow);
  const int result = QApplication::exec();
  delete watcher.data();
  QApplication::setQuitOnLastWindowClosed(quitOnLastWindow);
  return result;
}

int runProgram(DataModule& dataModule) {
  Selection selection;
  WindowSet windows(dataModule, selection);
  // The main window appears once every window exists.
  windows.mainWindow().show();
  return runUntilMainWindowCloses(&windows.mainWindow());
}

namespace {

constexpr int kStartFailed = 1;

// Templates, layout and settings live in sources/: without it nothing works,
// and the program must not scatter its files into a folder that is not its own.
bool hasSourcesFolder() {
  const QString sources = programPath(QStringLiteral("sources"));
  if (QFileInfo(sources).isDir()) return true;
  MessageService::error(QStringLiteral("Не найдена папка \"%1\" с шаблонами протоколов и файлами настроек. "
                                       "Программа запускается из своей папки, в которой есть папка sources.")
                            .arg(QDir::toNativeSeparators(sources)));
  return false;
}

int startAdmittedProgram() {
  if (!hasSourcesFolder()) return kStartFailed;
  // The data module comes first: it opens and checks the tables the windows use.
  DataModule dataModule;
  // A database that cannot be opened (the file, or the lab's server) is told
  // first among the table messages and ends the program: it never works on
  // another database than the one the lab chose.
  const QStringList tableProblems = dataModule.openTables();
  for (const QString& problem : tableProblems) MessageService::plain(problem);
  if (!tableProblems.isEmpty()) return kStartFailed;
  return runProgram(dataModule);
}

}  // namespace

int startProgram() {
  try {
    SingleInstance instance(QString::fromLatin1(kInstanceName));
    if (!admitFirstCopy(instance)) return 0;
    if (!enterProgramDir()) return kStartFailed;
    return startAdmittedProgram();
  } catch (const std::exception& error) {
    MessageService::reportHandlerError(error);
  } catch (...) {
    MessageService::reportHandlerError(std::runtime_error("Неизвестная ошибка"));
  }
  return kStartFailed;
}
