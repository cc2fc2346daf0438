#include "bases/ProgramsWindow.h"

#include <QKeyEvent>

#include <algorithm>

#include "bases/TableFileView.h"
#include "reports/VerificationProgram.h"
#include "ui_ProgramsWindow.h"

namespace {

using table_file_view::decimalText;

const QStringList kTitles = {QStringLiteral("Класс"),  QStringLiteral("Тип"),
                             QStringLiteral("№"),      QStringLiteral("Напряжение, %"),
                             QStringLiteral("Ток, %"), QStringLiteral("cos φ")};

// The rows by class and type; a program's points keep their order and are
// numbered in it.
QList<QStringList> programRows(const VerificationPrograms& programs) {
  QList<ProgramRow> rows = programs.rows();
  std::stable_sort(rows.begin(), rows.end(), [](const ProgramRow& a, const ProgramRow& b) {
    if (a.accuracyClass != b.accuracyClass) return a.accuracyClass < b.accuracyClass;
    return a.type.compare(b.type, Qt::CaseInsensitive) < 0;
  });
  QList<QStringList> texts;
  int number = 0;
  for (qsizetype i = 0; i < rows.size(); ++i) {
    const ProgramRow& row = rows[i];
    const bool sameProgram = i > 0 && rows[i - 1].accuracyClass == row.accuracyClass &&
                             rows[i - 1].type.compare(row.type, Qt::CaseInsensitive) == 0;
    number = sameProgram ? number + 1 : 1;
    texts.append({row.classText, row.type.isEmpty() ? QStringLiteral("все типы") : row.type,
                  QString::number(number), decimalText(row.point.voltagePercent),
                  decimalText(row.point.currentPercent), programPowerFactorText(row.point.powerFactor)});
  }
  return texts;
}

}  // namespace

ProgramsWindow::ProgramsWindow(QWidget* parent)
    : OpenedWindow(parent), ui(std::make_unique<Ui::ProgramsWindow>()) {
  ui->setupUi(this);
  table_file_view::setUpTable(ui->programsTable, kTitles);
  connect(ui->closeButton, &QPushButton::clicked, this, &QWidget::close);
  previewKeys();
}

ProgramsWindow::~ProgramsWindow() = default;

void ProgramsWindow::open(QWidget* opener) {
  const QString path = verificationProgramsPath();
  QStringList problems;
  const VerificationPrograms programs = VerificationPrograms::load(path, &problems);
  showPrograms(path, programs, problems);
  centreOnScreen();
  showFor(opener);
}

void ProgramsWindow::showPrograms(const QString& path, const VerificationPrograms& programs,
                                  const QStringList& problems) {
  const table_file_view::Shown file{path,
                                    QStringLiteral("программ нет: годность решается по отмеченным точкам"),
                                    programRows(programs), problems};
  table_file_view::show(file, ui->pathLabel, ui->programsTable, ui->problemsLabel);
}

bool ProgramsWindow::formKeyPress(QKeyEvent* event) {
  if (!isEscapeKey(event)) return false;
  close();
  return true;
}
