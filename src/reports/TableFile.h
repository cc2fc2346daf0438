#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The lab's table files (sources/limits.csv, sources/programs.csv): UTF-8
// text, fields separated by ";", a header line, "#" starting a comment line,
// numbers with a decimal point or comma. GUI-free.
namespace table_file {

// A decimal number with point or comma; nothing for anything else.
std::optional<double> readDecimal(const QString& text);

// The accuracy class column: a number, optionally followed by the letter S
// and a remark in parentheses, e.g. "0.5", "0,5S", "0.5 (0,5S)".
std::optional<double> readAccuracyClass(const QString& text);

// Two classes read from the files name the same class.
bool sameClass(double a, double b);

// «text» as the problem lines quote a field; a long one is cut, so that one
// line of the list stays one line of the message box.
QString quoted(const QString& text);

// Calls `line` with the number (from 1) and the text of every data line:
// blank lines and comments are skipped, and so is the first other line when
// its first field does not read as a class (the header naming the columns).
void forEachDataLine(const QString& text, const std::function<void(int number, const QString& line)>& line);

// The `count` fields of a data line (empty fields beyond them are ignored);
// nothing, with the reason, when the line has another number of fields.
std::optional<QStringList> splitFields(const QString& line, int count, QString* reason);

// "<file>, строка N: <reason>": how a damaged line is reported.
QString lineProblem(const QString& fileName, int number, const QString& reason);

// The text of the file at `path`, read whole (never more than the bound of
// the table files). A missing file gives nothing and no problem; one that is
// unreadable or too large for a table gives nothing and a problem naming it.
std::optional<QString> readText(const QString& path, QStringList* problems);

}  // namespace table_file

// What tells the versions of a file apart without reading it: its path,
// whether it exists, its modification time and size.
struct FileStamp {
  QString path;
  bool exists = false;
  qint64 modifiedMs = 0;
  qint64 size = -1;

  static FileStamp of(const QString& path);
  bool operator==(const FileStamp&) const = default;
};

// A table file the program reads when first asked and again whenever its
// stamp changes. The problems of a (re)read are reported once: to the
// reporter when one is set, otherwise to the first caller that passes
// newProblems. For one thread.
template <typename Table>
class WatchedTableFile {
 public:
  using Loader = Table (*)(const QString& path, QStringList* problems);
  explicit WatchedTableFile(Loader load) : load_(load) {}

  void setReporter(std::function<void(const QStringList&)> reporter) { reporter_ = std::move(reporter); }

  const Table& current(const QString& path, QStringList* newProblems) {
    const FileStamp stamp = FileStamp::of(path);
    if (!loaded_ || stamp != stamp_) {
      QStringList problems;
      table_ = load_(path, &problems);
      stamp_ = stamp;
      loaded_ = true;
      pendingProblems_ = problems;
      if (reporter_ && !problems.isEmpty()) {
        pendingProblems_.clear();
        reporter_(problems);
      }
    }
    if (newProblems && !pendingProblems_.isEmpty()) {
      newProblems->append(pendingProblems_);
      pendingProblems_.clear();
    }
    return table_;
  }

 private:
  Loader load_;
  FileStamp stamp_;
  bool loaded_ = false;
  Table table_;
  QStringList pendingProblems_;
  std::function<void(const QStringList&)> reporter_;
};
