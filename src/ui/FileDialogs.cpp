#include "ui/FileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace FileDialogs {
namespace {

ScriptedSaveNames* scripted = nullptr;

QString withExtension(const QString& name, const QString& filter) {
  const QString extension = filterExtension(filter);
  if (name.isEmpty() || extension.isEmpty() || !QFileInfo(name).suffix().isEmpty()) return name;
  return name + QLatin1Char('.') + extension;
}

}  // namespace

QString filterExtension(const QString& filter) {
  static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
  return pattern.match(filter).captured(1);
}

QString saveFileName(QWidget* parent, const QString& caption, const QString& suggestedPath,
                     const QStringList& filters) {
  if (scripted) {
    const ScriptedSaveNames::Answer answer = scripted->answer({caption, suggestedPath, filters});
    return withExtension(answer.typedName, filters.value(answer.filterIndex));
  }
  QString chosenFilter = filters.value(0);
  const QString name = QFileDialog::getSaveFileName(parent, caption, suggestedPath,
                                                    filters.join(QStringLiteral(";;")), &chosenFilter);
  return withExtension(name, chosenFilter);
}

QString existingFolder(QWidget* parent, const QString& caption, const QString& startFolder) {
  if (scripted) return scripted->answer({caption, startFolder, {}}).typedName;
  return QFileDialog::getExistingDirectory(parent, caption, startFolder);
}

ScriptedSaveNames::ScriptedSaveNames(std::deque<Answer> answers)
    : answers_(std::move(answers)), previous_(scripted) {
  scripted = this;
}

ScriptedSaveNames::~ScriptedSaveNames() { scripted = previous_; }

ScriptedSaveNames::Answer ScriptedSaveNames::answer(const Request& request) {
  requests_.push_back(request);
  if (answers_.empty()) return {};
  Answer next = answers_.front();
  answers_.pop_front();
  return next;
}

}  // namespace FileDialogs
