#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

class QWidget;

// The program's file dialogs, so that tests can give the file name without a
// modal loop.
namespace FileDialogs {

// Asks for the name of a file to write. `filters` are dialog filters such as
// "PNG (*.png)"; the first one is offered. Returns the chosen name with the
// chosen filter's extension added when the operator typed none; empty when
// the dialog was cancelled.
QString saveFileName(QWidget* parent, const QString& caption, const QString& suggestedPath,
                     const QStringList& filters);

// Asks for an existing folder, starting in `startFolder`. Returns its path;
// empty when the dialog was cancelled.
QString existingFolder(QWidget* parent, const QString& caption, const QString& startFolder);

// The extension of a filter such as "SVG (*.svg)": "svg".
QString filterExtension(const QString& filter);

// Test hook: while a ScriptedSaveNames lives, no dialog is shown; each request
// is recorded and answered from the queue (empty: cancelled). An answer is
// taken as the name typed into the dialog with the filter at its index chosen;
// a folder request takes the name as the folder chosen.
class ScriptedSaveNames {
 public:
  struct Answer {
    QString typedName;
    int filterIndex = 0;
  };
  struct Request {
    QString caption;
    QString suggestedPath;
    QStringList filters;
  };
  explicit ScriptedSaveNames(std::deque<Answer> answers = {});
  ~ScriptedSaveNames();
  ScriptedSaveNames(const ScriptedSaveNames&) = delete;
  ScriptedSaveNames& operator=(const ScriptedSaveNames&) = delete;

  const std::vector<Request>& requests() const { return requests_; }
  Answer answer(const Request& request);

 private:
  std::deque<Answer> answers_;
  std::vector<Request> requests_;
  ScriptedSaveNames* previous_;
};

}  // namespace FileDialogs
