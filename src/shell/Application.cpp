#include "shell/Application.h"

#include "shell/MessageService.h"

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("VT3417"));
  setApplicationVersion(QStringLiteral("1.0"));
}

QString Application::title() { return QStringLiteral("ВТ3417"); }

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ReportHandlerError(error);
  } catch (...) {
    ReportHandlerError(std::runtime_error("Неизвестная ошибка"));
  }
  return false;
}

void ReportHandlerError(const std::exception& error) {
  MessageService::error(QString::fromUtf8(error.what()));
}
