#pragma once

#include <algorithm>
#include <cstdio>
#include <optional>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

// The command line of the tools, read with QCommandLineParser: "--help" (or
// "-h") prints the usage and ends the tool with 0; an unknown option, an
// option without its value or a wrong number of arguments prints the error and
// the usage to standard error and ends it with exit code 2.
namespace tool_command_line {

constexpr int kUsageError = 2;

// Prints the message and the usage to standard error; returns kUsageError.
// Also for an option whose value the tool cannot take.
inline int usageError(const QCommandLineParser& parser, const QString& message) {
  std::fprintf(stderr, "%s: %s\n\n%s", qUtf8Printable(QCoreApplication::applicationName()),
               qUtf8Printable(message), qUtf8Printable(parser.helpText()));
  return kUsageError;
}

// The exit code when the tool is to end now; nullopt when it goes on with the
// options parsed. The tool takes from `fewest` to `most` arguments besides
// its options (`most` -1: any number).
inline std::optional<int> parse(QCommandLineParser& parser, const QCoreApplication& app, int fewest,
                                int most) {
  parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
  const QCommandLineOption help = parser.addHelpOption();
  if (!parser.parse(app.arguments())) return usageError(parser, parser.errorText());
  if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
    std::fputs(qUtf8Printable(parser.helpText()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  const qsizetype given = parser.positionalArguments().size();
  if (given < fewest) return usageError(parser, QStringLiteral("missing argument"));
  if (most >= 0 && given > most)
    return usageError(
        parser, QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().value(most)));
  return std::nullopt;
}

// The same for a tool that takes exactly `positional` arguments (-1: any number).
inline std::optional<int> parse(QCommandLineParser& parser, const QCoreApplication& app, int positional) {
  return parse(parser, app, std::max(positional, 0), positional);
}

}  // namespace tool_command_line
