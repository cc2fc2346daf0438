#include "legacy/LegacyImportCommand.h"

#include "database/DataModule.h"
#include "legacy/LegacyImport.h"
#include "legacy/LegacySettingsFiles.h"
#include "settings/ProgramDir.h"
#include "ui/FileDialogs.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"
#include "ui/Workspace.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace {

const QString kCaption = QStringLiteral("Импорт из прежней программы");
// Problems listed in the question; the rest are counted.
constexpr int kProblemsShown = 30;

// A progress window for one pass over the tables, cancelled by its button.
class ProgressWindow {
 public:
  ProgressWindow(QWidget* parent, const QString& objectName, const QString& what)
      : dialog_(what, QStringLiteral("Отмена"), 0, 1, parent), what_(what) {
    dialog_.setObjectName(objectName);
    dialog_.setWindowTitle(kCaption);
    dialog_.setWindowModality(Qt::ApplicationModal);
    dialog_.setMinimumDuration(0);
    dialog_.setAutoReset(false);
    dialog_.setAutoClose(false);
    dialog_.setValue(0);
  }

  ImportProgress callback() {
    return [this](qint64 done, qint64 total) {
      dialog_.setMaximum(int(std::max<qint64>(total, 1)));
      dialog_.setValue(int(done));
      dialog_.setLabelText(QStringLiteral("%1\nЗаписей: %2 из %3").arg(what_).arg(done).arg(total));
      QCoreApplication::processEvents();
      return !dialog_.wasCanceled();
    };
  }

 private:
  QProgressDialog dialog_;
  QString what_;
};

// The check, as the import would run; false when cancelled or refused (told).
bool check(DataModule& dm, const QString& folder, QWidget* parent) {
  ImportSummary summary;
  try {
    ProgressWindow progress(parent, QStringLiteral("checkProgressDialog"),
                            QStringLiteral("Проверка таблиц прежней программы"));
    summary = importLegacyTables(folder, dm.connection(), {false, true}, progress.callback());
  } catch (const ImportCancelled&) {
    return false;
  } catch (const std::exception& error) {
    MessageService::notice(parent, kCaption,
                           QStringLiteral("Импорт невозможен.\n%1").arg(QString::fromUtf8(error.what())));
    return false;
  }
  return MessageService::confirm(parent, kCaption,
                                 summary.text(kProblemsShown) + QStringLiteral("\n\nИмпортировать?"));
}

bool import(DataModule& dm, const QString& folder, QWidget* parent) {
  try {
    ProgressWindow progress(parent, QStringLiteral("importProgressDialog"),
                            QStringLiteral("Импорт из прежней программы"));
    const ImportSummary summary =
        importLegacyTables(folder, dm.connection(), {true, true}, progress.callback());
    MessageService::notice(parent, kCaption, QStringLiteral("Импорт завершён.\n") + summary.tablesText());
    return true;
  } catch (const ImportCancelled& cancelled) {
    MessageService::notice(parent, kCaption, QString::fromUtf8(cancelled.what()));
  } catch (const std::exception& error) {
    MessageService::notice(parent, kCaption,
                           QStringLiteral("Импорт не выполнен, база данных не изменена.\n%1")
                               .arg(QString::fromUtf8(error.what())));
  }
  return false;
}

void offerSettingsFiles(const QString& folder, QWidget* parent) {
  const QStringList names = settingsFilesToTakeOver(folder);
  if (names.isEmpty()) return;
  if (!MessageService::confirm(parent, kCaption,
                               QStringLiteral("В папке прежней программы есть файлы настроек (%1), а своих "
                                              "у программы нет. Скопировать их в папку sources?")
                                   .arg(names.join(QStringLiteral(", ")))))
    return;
  for (const QString& problem : takeOverSettingsFiles(folder, names))
    MessageService::notice(parent, kCaption, problem);
}

}  // namespace

void importFromLegacyProgram(DataModule& dm, Selection& selection, Workspace& workspace) {
  QWidget* parent = workspace.workspaceWidget();
  const QString folder = FileDialogs::existingFolder(parent, kCaption, programDir());
  if (folder.isEmpty() || !check(dm, folder, parent)) return;
  const bool imported = import(dm, folder, parent);
  // The tree shows what the database holds now.
  dm.bases->reopen(Statements::allBases());
  workspace.buildBaseTree();
  selection.clearChoice();
  workspace.showSelection();
  if (imported) offerSettingsFiles(folder, parent);
}
