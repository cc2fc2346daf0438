#pragma once

#include <QByteArray>
#include <QString>

// Handing a finished document to the operator: saved under "protocols" and
// opened with the desktop's default application for its type.

// Whether a desktop can show documents (not the offscreen or minimal
// platform; on Linux an X11 or Wayland display must be set).
bool desktopSessionAvailable();

// Opens the file with the desktop's default application when a desktop
// session exists; returns whether the desktop was asked to.
bool openWithDesktop(const QString& path);

// Saves the document (saveProtocolFile) and opens it; returns the saved path,
// which the caller shows in the status bar. Throws std::runtime_error when the
// file cannot be written.
QString handToUser(const QByteArray& bytes, const QString& descriptiveName, const QString& extension);
