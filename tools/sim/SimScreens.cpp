#include "SimScreens.h"

#include "link/Koi7.h"
#include "settings/Cp1251.h"

namespace {

constexpr char ESC = 27;

QString PhaseLabel(int phase, bool lineLabels) {
  static const char* const lines[] = {"2-1", "2-3", "3-1"};
  return lineLabels ? QString::fromLatin1(lines[phase]) : QStringLiteral("Ф%1").arg(phase + 1);
}

QString PhaseRow(int phase, bool lineLabels, double value, int maxDecimals, const QString& unit) {
  return PhaseLabel(phase, lineLabels).leftJustified(3) + u' ' +
         FitNumber(value, 6, maxDecimals).rightJustified(6) + u' ' + unit;
}

QString ErrorField(const std::optional<double>& error, int width) {
  return error ? FitNumber(*error, width - 1, 3).rightJustified(width - 1) + u' ' : QString(width, u' ');
}

QString SchemeText(int scheme) {
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

QString FitNumber(double value, int width, int maxDecimals) {
  for (int decimals = maxDecimals; decimals >= 0; --decimals) {
    const QString text = QString::number(value, 'f', decimals);
    if (text.size() <= width) return text;
  }
  return QString(width, value < 0 ? u'-' : u'9');  // off the display's range
}

ScreenRows MainMenuRows(QChar choice) {
  return {QStringLiteral("МОЩНОСТЬ     1"), QStringLiteral("ЭНЕРГИЯ      2"),
          QStringLiteral("ОПР.ПОГРЕШН. 3 >") + QString(choice)};
}

ScreenRows DialogRows(const QString& title, const QString& hint, const QString& entry) {
  return {title, hint, QStringLiteral("> ") + entry};
}

ScreenRows VoltageRows(const std::array<double, 3>& volts, bool lineLabels) {
  ScreenRows rows;
  for (int phase = 0; phase < 3; ++phase)
    rows[phase] = PhaseRow(phase, lineLabels, volts[phase], 2, QStringLiteral("В"));
  return rows;
}

ScreenRows CurrentRows(const std::array<double, 3>& amperes, bool milliamperes, bool lineLabels) {
  ScreenRows rows;
  for (int phase = 0; phase < 3; ++phase) {
    rows[phase] = milliamperes ? PhaseRow(phase, lineLabels, amperes[phase] * 1000, 2, QStringLiteral("МА"))
                               : PhaseRow(phase, lineLabels, amperes[phase], 4, QStringLiteral("А"));
  }
  return rows;
}

ScreenRows PowerFactorRows(double powerFactor, double angle) {
  return {QStringLiteral("УГОЛ ") + FitNumber(angle, 6, 2).rightJustified(6) + QStringLiteral(" ГРАД"),
          QStringLiteral("   КМ ") + FitNumber(powerFactor, 6, 3).rightJustified(6), QString()};
}

ScreenRows PowerRows(double power, bool reactive, int scheme, bool counting) {
  const QString heading = reactive ? QStringLiteral("МОЩН. РЕАКТИВНАЯ") : QStringLiteral("МОЩН. АКТИВНАЯ");
  const QString schemeRow =
      (reactive ? QString() : SchemeText(scheme)).leftJustified(16) + (counting ? u'*' : u' ');
  const QString valueRow =
      reactive ? QStringLiteral("Р   ") + FitNumber(power, 8, 2).rightJustified(8) + QStringLiteral(" ВАР")
               : QStringLiteral("Р   ") + FitNumber(power, 9, 2).rightJustified(9) + QStringLiteral(" ВТ");
  return {heading, schemeRow, valueRow};
}

ScreenRows ErrorPageRows(int page, const std::array<std::optional<double>, 8>& errors) {
  const int first = page * 4;
  // Fields: row 1 meters 1 and 3, row 2 meters 2 and 4 (of the page).
  return {page == 0 ? QStringLiteral("ПОГРЕШН.  1-4 %") : QStringLiteral("ПОГРЕШН.  5-8 %"),
          ErrorField(errors[first], 9) + ErrorField(errors[first + 2], 7),
          ErrorField(errors[first + 1], 9) + ErrorField(errors[first + 3], 7)};
}

QByteArray Koi7Text(const QString& text) {
  QByteArray bytes = cp1251::encode(text);
  for (char& byte : bytes) byte = static_cast<char>(Koi7Code(static_cast<uint8_t>(byte)));
  return bytes;
}

QByteArray FrameEnd() { return QByteArray("\x1bH\x1bJ\x07", 5); }

QByteArray CursorTo(int row, int column) {
  const char bytes[] = {ESC, 'Y', static_cast<char>(32 + row), static_cast<char>(32 + column)};
  return QByteArray(bytes, sizeof bytes);
}

QByteArray DrawAddressed(const ScreenRows& rows) {
  QByteArray bytes = FrameEnd();
  for (int row = 0; row < 3; ++row) {
    const QString text = rows[row].trimmed().isEmpty() ? QString() : rows[row];
    if (!text.isEmpty()) bytes += CursorTo(row, 0) + Koi7Text(text);
  }
  return bytes;
}

QByteArray DrawLines(const ScreenRows& rows) {
  QByteArray bytes = FrameEnd();
  for (int row = 0; row < 3; ++row) {
    if (row > 0) bytes += "\r\n";
    bytes += Koi7Text(rows[row]);
  }
  return bytes;
}
