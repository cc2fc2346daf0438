#pragma once

#include <QList>
#include <QPair>
#include <QString>

// A small INI file, parsed afresh from the disk on every read: nothing is
// cached, so a file rewritten a moment ago is read as it is now.
//
//   [section]
//   key=value
//   key = "a value with blanks; \"quotes\" and \\ backslashes"
//   ; a comment line (so is one that starts with #)
//
// Section and key names compare case-insensitively; a key given twice keeps
// its last value. Keys before the first section belong to a section without name.
class IniFile {
 public:
  using Entries = QList<QPair<QString, QString>>;  // key as written, value

  // TooLarge: beyond kSettingsFileMaxBytes, not read (a settings file is a few lines).
  enum class Status { Ok, Unreadable, TooLarge, Malformed };

  static IniFile read(const QString& filePath);

  Status status() const { return status_; }
  // For Unreadable and TooLarge: why, in the operator's words, naming the file.
  const QString& readProblem() const { return readProblem_; }
  int malformedLine() const { return malformedLine_; }  // 1-based, for Status::Malformed
  bool hasSection(const QString& name) const;
  // The entries of a section in the order written; empty when there is no such section.
  Entries entries(const QString& section) const;

 private:
  Status status_ = Status::Ok;
  QString readProblem_;
  int malformedLine_ = 0;
  QList<QPair<QString, Entries>> sections_;
};
