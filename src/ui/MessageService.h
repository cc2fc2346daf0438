#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <exception>
#include <functional>
#include <vector>

class QWidget;

// Every message box of the program goes through here, so that tests can answer
// them without a modal loop. Operator notices and confirmations carry a caption
// naming the operation and the question-mark icon.
namespace MessageService {

enum class Kind { Notice, Confirmation, Plain, Error };
enum class Answer { Ok, Yes, No, Cancel };

struct ShownBox {
  Kind kind;
  QString caption;
  QString text;
  bool onTop = false;  // above all windows of the desktop
};

// Notice with the single button OK.
void notice(QWidget* parent, const QString& caption, const QString& text);
// Confirmation with Yes and No; true only for Yes.
bool confirm(QWidget* parent, const QString& caption, const QString& text);
// The framework's plain box: application title as caption, button OK.
void plain(const QString& text);
// The standard error box for an error that ended a handler.
void error(const QString& text);
// Error box with its own caption, on top of all windows, without an owner.
void topmostError(const QString& caption, const QString& text);
// A box with a single Cancel button (the Excel report engine's own errors).
void cancelOnly(QWidget* parent, const QString& caption, const QString& text);

// The application title "ВТ3417": the caption of the standard error box and
// of the plain message box.
QString applicationTitle();
// Shows the standard error box for an exception that ended a handler.
void reportHandlerError(const std::exception& error);

// Test hook: while a ScriptedAnswers lives, boxes are not shown; each is recorded
// and answered from the queue (Yes/Ok by default when the queue is empty).
class ScriptedAnswers {
 public:
  explicit ScriptedAnswers(std::deque<Answer> answers = {});
  ~ScriptedAnswers();
  ScriptedAnswers(const ScriptedAnswers&) = delete;
  ScriptedAnswers& operator=(const ScriptedAnswers&) = delete;

  void push(Answer answer) { answers_.push_back(answer); }
  const std::vector<ShownBox>& shown() const { return shown_; }
  QStringList texts() const;
  void clear() { shown_.clear(); }

  Answer answer(const ShownBox& box);

 private:
  std::deque<Answer> answers_;
  std::vector<ShownBox> shown_;
  ScriptedAnswers* previous_;
};

}  // namespace MessageService
