#include "ui/MessageService.h"

#include <QApplication>
#include <QMessageBox>

namespace MessageService {
namespace {

ScriptedAnswers* g_scripted = nullptr;

Answer fromButton(int button) {
  switch (button) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    case QMessageBox::Cancel:
      return Answer::Cancel;
    default:
      return Answer::Ok;
  }
}

Answer show(QWidget* parent, const ShownBox& box, QMessageBox::Icon icon,
            QMessageBox::StandardButtons buttons) {
  if (g_scripted) return g_scripted->answer(box);
  QMessageBox messageBox(icon, box.caption, box.text, buttons, parent);
  if (box.onTop) messageBox.setWindowFlag(Qt::WindowStaysOnTopHint);
  return fromButton(messageBox.exec());
}

}  // namespace

void notice(QWidget* parent, const QString& caption, const QString& text) {
  show(parent, {Kind::Notice, caption, text}, QMessageBox::Question, QMessageBox::Ok);
}

bool confirm(QWidget* parent, const QString& caption, const QString& text) {
  return show(parent, {Kind::Confirmation, caption, text}, QMessageBox::Question,
              QMessageBox::Yes | QMessageBox::No) == Answer::Yes;
}

void plain(const QString& text) {
  show(nullptr, {Kind::Plain, applicationTitle(), text}, QMessageBox::NoIcon, QMessageBox::Ok);
}

void error(const QString& text) {
  show(QApplication::activeWindow(), {Kind::Error, applicationTitle(), text}, QMessageBox::Critical,
       QMessageBox::Ok);
}

void topmostError(const QString& caption, const QString& text) {
  show(nullptr, {Kind::Error, caption, text, true}, QMessageBox::Critical, QMessageBox::Ok);
}

void cancelOnly(QWidget* parent, const QString& caption, const QString& text) {
  show(parent, {Kind::Error, caption, text}, QMessageBox::Critical, QMessageBox::Cancel);
}

ScriptedAnswers::ScriptedAnswers(std::deque<Answer> answers)
    : answers_(std::move(answers)), previous_(g_scripted) {
  g_scripted = this;
}

ScriptedAnswers::~ScriptedAnswers() { g_scripted = previous_; }

QStringList ScriptedAnswers::texts() const {
  QStringList list;
  for (const ShownBox& box : shown_) list << box.text;
  return list;
}

Answer ScriptedAnswers::answer(const ShownBox& box) {
  shown_.push_back(box);
  if (answers_.empty()) return box.kind == Kind::Confirmation ? Answer::Yes : Answer::Ok;
  const Answer next = answers_.front();
  answers_.pop_front();
  return next;
}

QString applicationTitle() { return QStringLiteral("ВТ3417"); }

void reportHandlerError(const std::exception& error) {
  MessageService::error(QString::fromUtf8(error.what()));
}

}  // namespace MessageService
