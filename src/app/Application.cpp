#include "app/Application.h"

#include "ui/MessageService.h"

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("VT3417"));
  setApplicationVersion(QStringLiteral("1.0"));
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
