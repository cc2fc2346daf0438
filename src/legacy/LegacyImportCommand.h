#pragma once

class DataModule;
class Selection;
class Workspace;

// "Файл > Импорт из прежней программы...": the operator chooses the folder of
// the old bench program; its tables are checked (a progress window that can
// be cancelled) and the summary with the problems asks "Импортировать?". The
// import then runs in one transaction with a progress window (rows done of
// rows total); cancelling it, or any failure, leaves the database as it was.
// A base whose name is taken is imported under a new name, as the summary
// says. Afterwards the tree lists the bases anew (nothing chosen), and the
// old settings files are offered where the program directory has none of its
// own (LegacySettingsFiles.h).
void importFromLegacyProgram(DataModule& dm, Selection& selection, Workspace& workspace);
