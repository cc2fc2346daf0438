// One bench of the lab for the two-program tests: a process of its own that
// starts on the program directory given (its sources/database.ini names the
// shared database), as the program does, and then, when asked, archives the
// meter in use in a slot of a base. Prints what failed; exit code 0 on success.
//
//   vt3417-bench-probe PROGRAM_DIR                 start only
//   vt3417-bench-probe PROGRAM_DIR BASE SLOT       start, then archive that meter

#include <QCoreApplication>
#include <QTextStream>

#include "archive/ArchiveTransfer.h"
#include "database/DataModule.h"
#include "settings/ProgramDir.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList arguments = QCoreApplication::arguments();
  QTextStream err(stderr);
  if (arguments.size() != 2 && arguments.size() != 4) return 2;
  setProgramDir(arguments[1]);
  DataModule dm;
  if (!dm.connectionError().isEmpty()) {
    err << dm.connectionError() << '\n';
    return 1;
  }
  if (const QStringList problems = dm.openTables(); !problems.isEmpty()) {
    err << problems.join(' ') << '\n';
    return 1;
  }
  if (arguments.size() == 2) return 0;
  try {
    const QString base = arguments[2];
    dm.meters->reopen(Statements::meterInSlotInUse(base, arguments[3].toInt()));
    dm.bases->reopen(Statements::baseByName(base));
    dm.testPoints->open();
    if (!archiveChosenMeter(dm, base)) {
      err << "nothing archived\n";
      return 1;
    }
  } catch (const std::exception& error) {
    err << QString::fromUtf8(error.what()) << '\n';
    return 1;
  }
  return 0;
}
