#include "SimScreens.h"

#include "link/Koi7.h"
#include "settings/Cp1251.h"

namespace {

constexpr char ESC = 27;

QString phaseLabel(int phase, bool lineLabels) {
  static const char* const lines[] = {"2-1", "2-3", "3-1"};
  return lineLabels ? QString::fromLatin1(lines[phase]) : QStringLiteral("Ф%1").arg(phase + 1);
}

QString phaseRow(int phase, bool lineLabels, double value, int maxDecimals, const QString& unit) {
  return phaseLabel(phase, lineLabels).leftJustified(3) + u' ' +
         fitNumber(value, 6, maxDecimals).rightJustified(6) + u' ' + unit;
}

QString errorField(const std::optional<double>& error, int width) {
  return error ? fitNumber(*error, width - 1, 3).rightJustified(width - 1) + u' ' : QString(width, u' ');
}

QString schemeText(int scheme) {
  switch (scheme) {
    case 4:
      return QStringLiteral("3-ПРОВОДНАЯ");
    case 5:
      return QStringLiteral("4-ПРОВОДНАЯ");
    default:
      return QStringLiteral("%1 ФАЗА").arg(scheme);
  }
}

}  // namespace

QString fitNumber(double value, int width, int maxDecimals) {
  for (int decimals = maxDecimals; decimals >= 0; --decimals) {
    const QString text = QString::number(value, 'f', decimals);
    if (text.size() <= width) return text;
  }
  return QString(width, value < 0 ? u'-' : u'9');  // off the display's range
}

ScreenRows mainMenuRows(QChar choice) {
  return {QStringLiteral("МОЩНОСТЬ     1"), QStringLiteral("ЭНЕРГИЯ      2"),
          QStringLiteral("ОПР.ПОГРЕШН. 3 >") + QString(choice)};
}

ScreenRows dialogRows(const QString& title, const QString& hint, const QString& entry) {
  return {title, hint, QStringLiteral("> ") + entry};
}

ScreenRows voltageRows(const std::array<double, 3>& volts, bool lineLabels) {
  ScreenRows rows;
  for (int phase = 0; phase < 3; ++phase)
    rows[phase] = phaseRow(phase, lineLabels, volts[phase], 2, QStringLiteral("В"));
  return rows;
}

ScreenRows currentRows(const std::array<double, 3>& amperes, bool milliamperes, bool lineLabels) {
  ScreenRows rows;
  for (int phase = 0; phase < 3; ++phase) {
    rows[phase] = milliamperes ? phaseRow(phase, lineLabels, amperes[phase] * 1000, 2, QStringLiteral("МА"))
                               : phaseRow(phase, lineLabels, amperes[phase], 4, QStringLiteral("А"));
  }
  return rows;
}

ScreenRows powerFactorRows(double powerFactor, int decimals, double angle) {
  return {QStringLiteral("УГОЛ ") + fitNumber(angle, 6, 2).rightJustified(6) + QStringLiteral(" ГРАД"),
          QStringLiteral("   КМ ") + fitNumber(powerFactor, 6, decimals).rightJustified(6), QString()};
}

ScreenRows powerRows(double power, bool reactive, int scheme, bool counting) {
  const QString heading = reactive ? QStringLiteral("МОЩН. РЕАКТИВНАЯ") : QStringLiteral("МОЩН. АКТИВНАЯ");
  const QString schemeRow =
      (reactive ? QString() : schemeText(scheme)).leftJustified(16) + (counting ? u'*' : u' ');
  const QString valueRow =
      reactive ? QStringLiteral("Р   ") + fitNumber(power, 8, 2).rightJustified(8) + QStringLiteral(" ВАР")
               : QStringLiteral("Р   ") + fitNumber(power, 9, 2).rightJustified(9) + QStringLiteral(" ВТ");
  return {heading, schemeRow, valueRow};
}

ScreenRows errorPageRows(int page, const std::array<std::optional<double>, 8>& errors) {
  const int first = page * 4;
  // Fields: row 1 meters 1 and 3, row 2 meters 2 and 4 (of the page).
  return {page == 0 ? QStringLiteral("ПОГРЕШН.  1-4 %") : QStringLiteral("ПОГРЕШН.  5-8 %"),
          errorField(errors[first], 9) + errorField(errors[first + 2], 7),
          errorField(errors[first + 1], 9) + errorField(errors[first + 3], 7)};
}

QByteArray koi7Text(const QString& text) {
  QByteArray bytes = cp1251::encode(text);
  for (char& byte : bytes) byte = static_cast<char>(koi7Code(static_cast<uint8_t>(byte)));
  return bytes;
}

QByteArray frameEnd() { return QByteArray("\x1bH\x1bJ\x07", 5); }

QByteArray cursorTo(int row, int column) {
  const char bytes[] = {ESC, 'Y', static_cast<char>(32 + row), static_cast<char>(32 + column)};
  return QByteArray(bytes, sizeof bytes);
}

QByteArray drawAddressed(const ScreenRows& rows) {
  QByteArray bytes = frameEnd();
  for (int row = 0; row < 3; ++row) {
    const QString text = rows[row].trimmed().isEmpty() ? QString() : rows[row];
    if (!text.isEmpty()) bytes += cursorTo(row, 0) + koi7Text(text);
  }
  return bytes;
}

QByteArray drawLines(const ScreenRows& rows) {
  QByteArray bytes = frameEnd();
  for (int row = 0; row < 3; ++row) {
    if (row > 0) bytes += "\r\n";
    bytes += koi7Text(rows[row]);
  }
  return bytes;
}
