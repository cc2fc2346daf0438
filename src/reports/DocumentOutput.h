#pragma once

#include <QByteArray>
#include <QString>

// Documents the program writes for the operator go to "protocols" in the
// program directory, under names that tell what they are.

// The folder (created when missing).
QString protocolsDir();

// A file name made from a descriptive text such as "Протокол 9 СО-505 123456
// 2026-12-09": characters that file systems refuse become "_", format
// characters (Unicode category Cf, such as bidirectional overrides) go, a name
// whose stem Windows reserves for a device (CON, COM1, … also before a dot, as
// in "con.docx") gets a "_" in front, trailing dots and blanks go, and the
// length is limited. Never empty.
QString safeFileName(const QString& descriptiveName);

// Saves the bytes as protocols/<name>.<extension>; an existing file is never
// overwritten: " (2)", " (3)", … are added instead. The file is written
// completely or not at all. Returns the full path; throws std::runtime_error
// (with a message for the operator) when the file cannot be written.
QString saveProtocolFile(const QByteArray& bytes, const QString& descriptiveName, const QString& extension);
