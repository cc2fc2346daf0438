#include "app/Application.h"

#include <QIcon>
#include <QLocale>

#include "settings/Version.h"
#include "ui/MessageService.h"

// The icon lives in a resource of the static GUI library, which the linker
// would drop unless something refers to it.
static void initAppResources() { Q_INIT_RESOURCE(app); }

// The interface is Russian only. Under the C/POSIX locale (nothing chosen, as
// on many minimal installations and in containers) dates and numbers are
// written as in Russian, not "10 Dec 2026" and "1.5"; a locale the system
// chose (ru_RU, uk_UA, kk_KZ, ...) is honoured. Set before any window exists,
// so that every window, grid and document follows it.
static void useRussianFormatsUnderTheCLocale() {
  if (QLocale::system().language() == QLocale::C)
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  initAppResources();
  useRussianFormatsUnderTheCLocale();
  setApplicationName(QStringLiteral("VT3417"));
  setApplicationVersion(QString::fromLatin1(programVersion()));
  // The program's icon (the one the desktop entry names) on every window.
  QIcon icon;
  for (const char* size : {"48", "256"})
    icon.addFile(QStringLiteral(":/app/vt3417-%1.png").arg(QLatin1String(size)));
  setWindowIcon(icon);
}

QString Application::title() { return MessageService::applicationTitle(); }

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    MessageService::reportHandlerError(error);
  } catch (...) {
    MessageService::reportHandlerError(std::runtime_error("Неизвестная ошибка"));
  }
  return false;
}
