// vt3417-replay FILE: runs the link engine over a timed capture of the
// instrument's stream and prints the screens it recognised and the values it
// read, as one JSON object. The capture is read twice, line by line: once to
// check it (nothing is printed for a malformed one), once to replay it, so
// that memory stays the same whatever its size.
#include <cstdio>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include "CaptureReplay.h"
#include "common/ToolCommandLine.h"

namespace {

int fail(const QString& message) {
  std::fprintf(stderr, "vt3417-replay: %s\n", qUtf8Printable(message));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Runs the link engine over a timed capture of the instrument's stream and prints the screens it\n"
      "recognised and the values it read, as one JSON object."));
  parser.addPositionalArgument(QStringLiteral("FILE"),
                               QStringLiteral("The capture: one chunk per line, \"<milliseconds> <bytes as "
                                              "two-digit hex>\"; blank lines and lines starting with # are "
                                              "ignored."));
  if (const std::optional<int> exitCode = tool_command_line::parse(parser, app, 1)) return *exitCode;
  const QStringList arguments = parser.positionalArguments();
  const QString path = arguments.front();
  // Asked before opening: a pipe without a writer would block the open, and
  // what is no file cannot be read a second time.
  const QFileInfo info(path);
  if (info.isDir()) return fail(QStringLiteral("%1 is a folder, not a capture").arg(path));
  if (info.exists() && !info.isFile())
    return fail(QStringLiteral("%1 is not a file but a device, a pipe or a socket; the capture is read "
                               "twice, so save it to a file first")
                    .arg(path));
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
  }
  QString error;
  if (!checkCapture(file, error)) return fail(QStringLiteral("%1: %2").arg(path, error));
  if (!file.seek(0)) return fail(QStringLiteral("cannot read %1 again: %2").arg(path, file.errorString()));

  QFile out;
  if (!out.open(stdout, QIODevice::WriteOnly))
    return fail(QStringLiteral("cannot write the standard output"));
  if (!replayCapture(file, out, error)) return fail(QStringLiteral("%1: %2").arg(path, error));
  out.write("\n");
  out.close();
  return out.error() == QFileDevice::NoError ? 0 : 1;
}
