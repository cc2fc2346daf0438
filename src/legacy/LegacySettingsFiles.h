#pragma once

#include <QString>
#include <QStringList>

// The old bench program's settings files, config.prt and file.ust, are
// byte for byte the program's own (sources/config.prt, sources/file.ust).
// Found beside the old tables (any letter case), they may be taken over where
// the program directory has none of its own: its file is missing, or holds
// only zero bytes, the record the program writes for a missing file before
// anything was chosen. A file with settings of its own is never replaced.

// The names ("config.prt", "file.ust") of the files in `folder` that may be
// taken over: a whole record there, none of its own in the program directory.
QStringList settingsFilesToTakeOver(const QString& folder);

// Copies those of `names` that may still be taken over into the program
// directory's sources/. Returns a message per file that could not be copied.
QStringList takeOverSettingsFiles(const QString& folder, const QStringList& names);
