#pragma once

class ArchiveBrowser;
class DataModule;
class QString;
class QWidget;
class Selection;

#include <QtGlobal>

// "Добавить в архив": the chosen meter (chosenMeter, on its base chosenBase) and its test
// points marked "R" (testPoints) go into the archive. The archived meter is found by
// type and serial number; it is created only the first time (later runs add
// points to it and leave its data as first archived). The meter's points in
// the archive are then numbered 1, 2, 3 ... in the order they were archived.
// Without a marked point only a notice is shown. The working tables stay as
// they are.
void addChosenMeterToArchive(DataModule& dm, const Selection& selection, QWidget* parent);

// The transfer itself, all or nothing. Returns false when the archived meter
// could not be found after storing it (nothing was archived).
bool archiveChosenMeter(DataModule& dm, const QString& baseName);

// Deletes an archived meter with all its points, all or nothing; points
// another bench is adding at the same moment go with it.
void deleteArchivedMeter(DataModule& dm, qint64 num);

// "Просмотр архива": the archive browser lists the whole archive; the opener is
// disabled until the browser closes.
void showWholeArchive(DataModule& dm, ArchiveBrowser& browser, QWidget* opener);
