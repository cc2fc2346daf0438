#include "reports/DesktopOpen.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>

#include "reports/DocumentOutput.h"

bool desktopSessionAvailable() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return false;
  const QString platform = QGuiApplication::platformName();
  if (platform == QLatin1String("offscreen") || platform.startsWith(QLatin1String("minimal"))) return false;
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) return false;
#endif
  return true;
}

bool openWithDesktop(const QString& path) {
  if (!desktopSessionAvailable()) return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QString handToUser(const QByteArray& bytes, const QString& descriptiveName, const QString& extension) {
  const QString path = saveProtocolFile(bytes, descriptiveName, extension);
  openWithDesktop(path);
  return path;
}
