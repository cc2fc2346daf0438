#pragma once

#include <QString>

// Text that may go into an XML document: characters XML 1.0 forbids (control
// characters other than tab and line breaks, U+FFFE, U+FFFF, unpaired
// surrogates) are dropped, and every line break becomes a single "\n".
QString xmlSafeText(const QString& text);
