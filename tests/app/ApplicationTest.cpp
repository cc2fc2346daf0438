#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QTest>

#include <QTimer>
#include <QWidget>
#include "support/Keyboard.h"

#include <stdexcept>

#include "support/TestRegistry.h"

#include "app/Application.h"
#include "app/Startup.h"
#include "ui/MessageService.h"

using MessageService::Answer;
using MessageService::Kind;
using MessageService::ScriptedAnswers;

namespace {

// A window whose key handler fails on "F" and counts the other keys. It is
// shown and takes the focus on a click, so that keys reach it as the focus widget.
class FailingWindow : public QWidget {
 public:
  FailingWindow() {
    setFocusPolicy(Qt::StrongFocus);
    resize(100, 100);
    show();
  }
  int keys = 0;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_F) throw std::runtime_error("Ошибка ввода-вывода 103");
    if (event->key() == Qt::Key_U) throw 42;
    ++keys;
  }
};

// A main window that refuses to close until allowed.
class StubbornWindow : public QWidget {
 public:
  bool allowClose = false;

 protected:
  void closeEvent(QCloseEvent* event) override { event->setAccepted(allowClose); }
};

}  // namespace

class ApplicationTest : public QObject {
  Q_OBJECT
 private slots:
  void errorInKeyHandlerShowsBoxAndGoesOn();
  void unknownErrorShowsBox();
  void errorInQueuedSlotShowsBox();
  void scriptedAnswersAreScoped();
  void boxKinds();
  void windowIconHasTheInstalledSizes();
  void loopEndsWhenMainWindowCloses();
  void loopGoesOnWhileMainWindowRefusesToClose();
};

void ApplicationTest::errorInKeyHandlerShowsBoxAndGoesOn() {
  ScriptedAnswers answers;
  FailingWindow window;
  QVERIFY(keyboard::clickToFocus(&window));
  keyboard::press(Qt::Key_F);
  QCOMPARE(answers.shown().size(), size_t(1));
  QCOMPARE(answers.shown()[0].kind, Kind::Error);
  QCOMPARE(answers.shown()[0].caption, QStringLiteral("ВТ3417"));
  QCOMPARE(answers.shown()[0].text, QStringLiteral("Ошибка ввода-вывода 103"));
  // The program goes on: the next key is handled.
  keyboard::press(Qt::Key_A);
  QCOMPARE(window.keys, 1);
  QCOMPARE(answers.shown().size(), size_t(1));
}

void ApplicationTest::unknownErrorShowsBox() {
  ScriptedAnswers answers;
  FailingWindow window;
  QVERIFY(keyboard::clickToFocus(&window));
  keyboard::press(Qt::Key_U);
  QCOMPARE(answers.texts(), QStringList{QStringLiteral("Неизвестная ошибка")});
}

void ApplicationTest::errorInQueuedSlotShowsBox() {
  ScriptedAnswers answers;
  bool later = false;
  QObject context;
  QTimer::singleShot(0, &context, [] { throw std::runtime_error("timer failed"); });
  QTimer::singleShot(0, &context, [&later] { later = true; });
  QTRY_VERIFY(later);
  QCOMPARE(answers.texts(), QStringList{QStringLiteral("timer failed")});
}

void ApplicationTest::scriptedAnswersAreScoped() {
  ScriptedAnswers outer({Answer::No});
  {
    ScriptedAnswers inner({Answer::No, Answer::Yes});
    QVERIFY(!MessageService::confirm(nullptr, QStringLiteral("Удаление"), QStringLiteral("first")));
    QVERIFY(MessageService::confirm(nullptr, QStringLiteral("Удаление"), QStringLiteral("second")));
    // An empty queue answers Yes to a confirmation.
    QVERIFY(MessageService::confirm(nullptr, QStringLiteral("Удаление"), QStringLiteral("third")));
    QCOMPARE(inner.texts(), QStringList({"first", "second", "third"}));
  }
  // The outer guard is answering again, with its own queue untouched.
  QVERIFY(!MessageService::confirm(nullptr, QStringLiteral("Удаление"), QStringLiteral("fourth")));
  QCOMPARE(outer.texts(), QStringList{"fourth"});
}

void ApplicationTest::boxKinds() {
  ScriptedAnswers answers;
  MessageService::notice(nullptr, QStringLiteral("Создание базы"), QStringLiteral("n"));
  MessageService::plain(QStringLiteral("p"));
  MessageService::topmostError(QStringLiteral("VT3417 v1.0"), QStringLiteral("t"));
  const auto& shown = answers.shown();
  QCOMPARE(shown.size(), size_t(3));
  QCOMPARE(shown[0].kind, Kind::Notice);
  QCOMPARE(shown[0].caption, QStringLiteral("Создание базы"));
  QCOMPARE(shown[1].kind, Kind::Plain);
  QCOMPARE(shown[1].caption, QStringLiteral("ВТ3417"));
  QVERIFY(!shown[1].onTop);
  QCOMPARE(shown[2].kind, Kind::Error);
  QVERIFY(shown[2].onTop);
}

void ApplicationTest::windowIconHasTheInstalledSizes() {
  // The program's own icon, the one the package installs for the menu entry.
  const QList<QSize> sizes = QApplication::windowIcon().availableSizes();
  QVERIFY(sizes.contains(QSize(48, 48)));
  QVERIFY(sizes.contains(QSize(256, 256)));
  QWidget window;
  QCOMPARE(window.windowIcon().availableSizes(), sizes);
}

void ApplicationTest::loopEndsWhenMainWindowCloses() {
  QWidget mainWindow;
  QWidget otherWindow;  // a window still shown does not keep the program running
  mainWindow.show();
  otherWindow.show();
  bool timedOut = false;
  QTimer::singleShot(0, &mainWindow, &QWidget::close);
  QTimer::singleShot(20000, qApp, [&timedOut] {
    timedOut = true;
    QCoreApplication::exit(1);
  });
  QCOMPARE(runUntilMainWindowCloses(&mainWindow), 0);
  QVERIFY(!timedOut);
  QVERIFY(QApplication::quitOnLastWindowClosed());
}

void ApplicationTest::loopGoesOnWhileMainWindowRefusesToClose() {
  StubbornWindow mainWindow;
  mainWindow.show();
  int closeAttempts = 0;
  QTimer refused;
  QObject::connect(&refused, &QTimer::timeout, &mainWindow, [&] {
    if (++closeAttempts == 3) mainWindow.allowClose = true;
    mainWindow.close();
  });
  refused.start(10);
  QTimer::singleShot(20000, qApp, [] { QCoreApplication::exit(1); });
  QCOMPARE(runUntilMainWindowCloses(&mainWindow), 0);
  QCOMPARE(closeAttempts, 3);
}

VT3417_REGISTER_TEST(ApplicationTest)
#include "ApplicationTest.moc"
