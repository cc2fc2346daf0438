#include "support/ToolProcess.h"

#include <QProcess>

ToolRun runTool(const QString& program, const QString& workingDir, const QStringList& arguments,
                int timeoutMs) {
  QProcess process;
  process.setWorkingDirectory(workingDir);
  process.start(program, arguments);
  ToolRun run;
  if (!process.waitForFinished(timeoutMs)) {
    process.kill();
    process.waitForFinished();
    return run;
  }
  run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = QString::fromUtf8(process.readAllStandardOutput());
  run.err = QString::fromUtf8(process.readAllStandardError());
  return run;
}
