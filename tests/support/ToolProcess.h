#pragma once

#include <QString>
#include <QStringList>

// A tool run as a real process, as the lab runs it.
struct ToolRun {
  int exitCode = -1;  // -1: crashed or did not end in time
  QString out;
  QString err;
};

// Runs `program` with `arguments` in `workingDir` and waits for its end (at
// most `timeoutMs`; then it is killed).
ToolRun runTool(const QString& program, const QString& workingDir, const QStringList& arguments,
                int timeoutMs = 120000);
