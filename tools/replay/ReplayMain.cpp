// vt3417-replay FILE: runs the link engine over a timed capture of the
// instrument's stream and prints the screens it recognised and the values it
// read, as one JSON object.
#include <cstdio>

#include <QCoreApplication>
#include <QFile>

#include "CaptureReplay.h"

namespace {

const char kUsage[] =
    "usage: vt3417-replay FILE\n"
    "Runs the link engine over a timed capture of the instrument's stream and prints\n"
    "the screens it recognised and the values it read, as one JSON object.\n"
    "FILE: one chunk per line, \"<milliseconds> <bytes as two-digit hex>\"; "
    "blank lines and lines starting with # are ignored";

int Fail(const QString& message) {
  std::fprintf(stderr, "vt3417-replay: %s\n", qUtf8Printable(message));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList arguments = app.arguments().mid(1);
  if (arguments == QStringList{QStringLiteral("--help")} || arguments == QStringList{QStringLiteral("-h")}) {
    std::printf("%s\n", kUsage);
    return 0;
  }
  if (arguments.size() != 1 || arguments.front().startsWith(u'-')) return Fail(QString::fromUtf8(kUsage));
  QFile file(arguments.front());
  if (!file.open(QIODevice::ReadOnly)) {
    return Fail(QStringLiteral("cannot read %1: %2").arg(arguments.front(), file.errorString()));
  }
  QList<CaptureChunk> chunks;
  QString error;
  if (!ReadCapture(file, chunks, error)) return Fail(QStringLiteral("%1: %2").arg(arguments.front(), error));

  const QByteArray json = ReplayJson(ReplayCapture(chunks)) + '\n';
  std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
