// A copy of the program's start for the single-instance tests: it takes the
// marker named on its command line as the program does and reports, on
// standard output, every message box it showed and how many windows exist.
// A first copy then holds the marker until its standard input closes.

#include <QApplication>
#include <QTextStream>

#include <iostream>
#include <string>

#include "app/Application.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "ui/MessageService.h"

int main(int argc, char** argv) {
  Application app(argc, argv);
  if (argc < 2) return 2;
  MessageService::ScriptedAnswers answers;
  SingleInstance instance(QString::fromLocal8Bit(argv[1]));
  const bool first = admitFirstCopy(instance);

  QTextStream out(stdout);
  for (const MessageService::ShownBox& box : answers.shown()) {
    out << "box|" << static_cast<int>(box.kind) << '|' << (box.onTop ? "top" : "normal") << '|' << box.caption
        << '|' << box.text << '\n';
  }
  out << "windows|" << QApplication::topLevelWidgets().size() << '\n';
  out << (first ? "running" : "refused") << '\n';
  out.flush();
  if (!first) return 0;

  std::string line;
  std::getline(std::cin, line);
  return 0;
}
