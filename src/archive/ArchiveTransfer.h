#pragma once

class QString;
class QWidget;
class TDM1;

// "Добавить в архив": the chosen meter (TMaster, on its base TBase) and its test
// points marked "R" (TSlave) go into the archive. The archived meter is found by
// type and serial number; it is created only the first time (later runs add
// points to it and leave its data as first archived). The meter's points in
// the archive are then numbered 1, 2, 3 ... in the order they were archived.
// Without a marked point only a notice is shown. The working tables stay as
// they are.
void AddChosenMeterToArchive(QWidget* parent);

// The transfer itself, all or nothing. Returns false when the archived meter
// could not be found after storing it (nothing was archived).
bool ArchiveChosenMeter(TDM1& dm, const QString& baseName);

// "Просмотр архива": the archive browser lists the whole archive; the opener is
// disabled until the browser closes.
void ShowWholeArchive(QWidget* opener);

// Plugs the archive commands into the main window ("Добавить в архив",
// "Просмотр архива") and the browser into the meter base editor ("Взять из
// архива>>>"). Run once at start-up, after the windows exist.
void PlugArchiveCommands();
