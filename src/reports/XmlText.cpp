#include "reports/XmlText.h"

QString xmlSafeText(const QString& text) {
  QString result;
  result.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    const char16_t code = c.unicode();
    if (code == u'\r') {
      result.append(QLatin1Char('\n'));
      if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) ++i;
      continue;
    }
    if (code < 0x20 && code != u'\t' && code != u'\n') continue;
    if (code == 0xFFFE || code == 0xFFFF) continue;
    if (c.isHighSurrogate()) {
      if (i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
        result.append(c);
        result.append(text.at(++i));
      }
      continue;
    }
    if (c.isLowSurrogate()) continue;
    result.append(c);
  }
  return result;
}
