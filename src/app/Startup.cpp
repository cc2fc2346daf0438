#include "app/Startup.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>

#include "settings/ProgramDir.h"
#include "ui/MessageService.h"
#include "app/SingleInstance.h"
#include "app/Windows.h"

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

bool AdmitFirstCopy(SingleInstance& instance) {
  if (instance.acquire()) return true;
  MessageService::topmostError(QString::fromLatin1(kInstanceName),
                               QStringLiteral("Запуск второй копии программы недопустим."));
  return false;
}

bool EnterProgramDir(const QString& documentsDir, const QString& applicationDir) {
  const QString workingDir = QDir::currentPath();
  const QString dir = ChooseProgramDir(workingDir, documentsDir);
  if (dir != workingDir) {
    for (const QString& problem : FillProgramDir(dir, ShippedSourcesDir(applicationDir))) MessageService::plain(problem);
  }
  if (!QDir::setCurrent(dir)) {
    MessageService::plain(QStringLiteral("Не удалось открыть папку программы %1.").arg(QDir::toNativeSeparators(dir)));
    return false;
  }
  SetProgramDir(dir);
  return true;
}

bool EnterProgramDir() {
  return EnterProgramDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                         QCoreApplication::applicationDirPath());
}

int RunUntilMainWindowCloses(QWidget* mainWindow) {
  // Only the main window ends the program; a dialog left open does not keep it running.
  const bool quitOnLastWindow = QApplication::quitOnLastWindowClosed();
  QApplication::setQuitOnLastWindowClosed(false);
  const QPointer<MainWindowCloseWatcher> watcher = new MainWindowCloseWatcher(mainWindow);
  const int result = QApplication::exec();
  delete watcher.data();
  QApplication::setQuitOnLastWindowClosed(quitOnLastWindow);
  return result;
}

int RunProgram() {
  CreateWindows();
  int result = 0;
  if (QWidget* mainWindow = MainWidget()) result = RunUntilMainWindowCloses(mainWindow);
  DestroyWindows();
  return result;
}
