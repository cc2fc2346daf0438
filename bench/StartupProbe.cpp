// The program's start as bench_startup times it: the start of the program's
// own entry point (single instance, program directory, data module, windows),
// watched from outside. When the main window has painted for the first time
// the probe prints "shown" with its processor time and closes it, which ends the run as the operator's
// closing would.
#include <QEvent>
#include <QMainWindow>
#include <QTimer>

#include <cstdio>
#include <ctime>

#include "app/Application.h"
#include "app/Startup.h"

namespace {

class FirstPaintWatcher : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (shown_ || event->type() != QEvent::Paint || !watched->isWidgetType()) return false;
    QWidget* window = static_cast<QWidget*>(watched)->window();
    if (!qobject_cast<QMainWindow*>(window) || !window->isVisible()) return false;
    shown_ = true;
    // After this paint has gone through: the window is on the screen.
    QTimer::singleShot(0, window, [window] {
      // With the processor time spent so far: on a busy machine the wall
      // time is mostly waiting for a processor.
      std::printf("shown %.1f\n", 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC);
      std::fflush(stdout);
      window->close();
    });
    return false;
  }

 private:
  bool shown_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  Application app(argc, argv);
  FirstPaintWatcher watcher;
  app.installEventFilter(&watcher);
  return startProgram();
}
