#pragma once

#include <QByteArray>
#include <QString>

// Windows-1251, the code page of the settings files and of the instrument's
// display cells. A fixed 128-entry table for the upper half; the lower half is ASCII.
namespace cp1251 {

QChar toUnicode(unsigned char byte);
// Characters without a Windows-1251 code become `fallback`.
unsigned char fromUnicode(QChar ch, unsigned char fallback = '?');

QString decode(const QByteArray& bytes);
QByteArray encode(const QString& text, unsigned char fallback = '?');

}  // namespace cp1251
