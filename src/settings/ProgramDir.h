#pragma once

#include <QString>
#include <QStringList>

// The program directory: every file of the program is named relative to it.
// It is the working directory when the program runs; start-up chooses it
// (chooseProgramDir) and makes it the working directory.
QString programDir();
void setProgramDir(const QString& directory);
// programDir() joined with a relative name such as "sources/look.doc".
QString programPath(const QString& relative);

// The program's own folder below the user's documents folder.
inline constexpr char kOwnFolderName[] = "VT3417";

// The working directory when it holds "sources/" (a lab's existing program
// directory, the demo's, the tests'); otherwise the own folder in
// documentsDir. Without a documents folder the working directory stays.
QString chooseProgramDir(const QString& workingDir, const QString& documentsDir);

// Where the shipped data files lie for an executable in applicationDir:
// "../share/vt3417/sources" (the installed layout, an unpacked package and the
// Windows folder alike).
QString shippedSourcesDir(const QString& applicationDir);

// The shipped data files, relative to the shipped folder ("look.doc", ...).
QStringList shippedFileNames();

// Makes "sources/", "base/" and "protocols/" in dir and copies into "sources/"
// every shipped file (subfolders included) that is not there yet; a file that
// is there is never replaced. A missing shippedSources copies nothing.
// Returns the problems, one text per folder or file that failed.
QStringList fillProgramDir(const QString& dir, const QString& shippedSources);

// When shipped files are in neither dir's "sources/" nor shippedSources (an
// installation without its data, or with part of it): one text naming them
// all and both folders. Empty when none is missing, or "sources/" is not there.
QString missingShippedFiles(const QString& dir, const QString& shippedSources);
