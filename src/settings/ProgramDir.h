#pragma once

#include <QString>

// The program directory: the working directory at start, read once by the main
// window. Every file of the program is named relative to it.
QString ProgramDir();
void SetProgramDir(const QString& directory);
// ProgramDir() joined with a relative name such as "sources/look.doc".
QString ProgramPath(const QString& relative);
