#include "settings/ComponentFile.h"

#include "settings/SmallFile.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QStringList>
#include <QWidget>

namespace {

const QString kHeader = QStringLiteral("VT3417 component stream 1");
const QString kIndent = QStringLiteral("  ");
const QString kAssign = QStringLiteral(" = ");
const QString kLinesProperty = QStringLiteral("Lines");

QString escapeValue(const QString& value) {
  QString escaped;
  escaped.reserve(value.size());
  for (const QChar c : value) {
    switch (c.unicode()) {
      case '\\':
        escaped += QStringLiteral("\\\\");
        break;
      case '\n':
        escaped += QStringLiteral("\\n");
        break;
      case '\r':
        escaped += QStringLiteral("\\r");
        break;
      case '\t':
        escaped += QStringLiteral("\\t");
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

// False for a backslash that starts no known escape.
bool unescapeValue(const QString& text, QString* value) {
  value->clear();
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] != QLatin1Char('\\')) {
      *value += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i].unicode()) {
      case '\\':
        *value += QLatin1Char('\\');
        break;
      case 'n':
        *value += QLatin1Char('\n');
        break;
      case 'r':
        *value += QLatin1Char('\r');
        break;
      case 't':
        *value += QLatin1Char('\t');
        break;
      default:
        return false;
    }
  }
  return true;
}

// The class name under which a control is written, empty when it cannot be.
QString streamClassOf(const QWidget* control) {
  if (const auto* own = dynamic_cast<const StreamableComponent*>(control)) return own->streamClassName();
  if (qobject_cast<const QPlainTextEdit*>(control)) return QStringLiteral("QPlainTextEdit");
  return {};
}

QList<ComponentProperty> propertiesOf(const QWidget* control) {
  if (const auto* own = dynamic_cast<const StreamableComponent*>(control)) return own->publishedProperties();
  QList<ComponentProperty> properties;
  if (const auto* memo = qobject_cast<const QPlainTextEdit*>(control)) {
    for (const QString& line : memo->toPlainText().split(QLatin1Char('\n')))
      properties.append({kLinesProperty, line});
  }
  return properties;
}

bool restoreMemo(QPlainTextEdit* memo, const QList<ComponentProperty>& properties) {
  QStringList lines;
  for (const ComponentProperty& property : properties) {
    if (property.name != kLinesProperty) return false;
    lines << property.value;
  }
  memo->setPlainText(lines.join(QLatin1Char('\n')));
  return true;
}

bool restoreProperties(QWidget* control, const QList<ComponentProperty>& properties) {
  if (auto* own = dynamic_cast<StreamableComponent*>(control)) return own->restoreProperties(properties);
  if (auto* memo = qobject_cast<QPlainTextEdit*>(control)) return restoreMemo(memo, properties);
  return false;
}

bool writeFile(const QString& fileName, const QByteArray& bytes) {
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

}  // namespace

QString writeComponentStream(const QString& objectName, const QString& className,
                             const QList<ComponentProperty>& properties) {
  QString text = kHeader + QLatin1Char('\n');
  text += QStringLiteral("object %1: %2\n").arg(objectName, className);
  for (const ComponentProperty& property : properties)
    text += kIndent + property.name + kAssign + escapeValue(property.value) + QLatin1Char('\n');
  text += QStringLiteral("end\n");
  return text;
}

bool readComponentStream(const QString& text, QString* objectName, QString* className,
                         QList<ComponentProperty>* properties) {
  QStringList lines = text.split(QLatin1Char('\n'));
  for (QString& line : lines)
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
  if (lines.size() < 3 || lines[0] != kHeader) return false;

  static const QString objectPrefix = QStringLiteral("object ");
  const QString& objectLine = lines[1];
  const int colon = objectLine.indexOf(QStringLiteral(": "));
  if (!objectLine.startsWith(objectPrefix) || colon < 0) return false;
  const QString name = objectLine.mid(objectPrefix.size(), colon - objectPrefix.size());
  const QString klass = objectLine.mid(colon + 2).trimmed();
  if (klass.isEmpty()) return false;

  QList<ComponentProperty> read;
  for (int i = 2; i < lines.size(); ++i) {
    const QString& line = lines[i];
    if (line == QStringLiteral("end")) {
      *objectName = name;
      *className = klass;
      *properties = read;
      return true;
    }
    const int assign = line.indexOf(kAssign);
    if (!line.startsWith(kIndent) || assign <= kIndent.size()) return false;
    ComponentProperty property;
    property.name = line.mid(kIndent.size(), assign - kIndent.size());
    if (property.name.contains(QLatin1Char(' '))) return false;
    if (!unescapeValue(line.mid(assign + kAssign.size()), &property.value)) return false;
    read.append(property);
  }
  return false;  // no "end": the file was cut short
}

bool loadComponentFromFile(QWidget* control, const QString& fileName) {
  if (!control || !QFile::exists(fileName)) return false;
  try {
    const QString klass = streamClassOf(control);
    if (klass.isEmpty()) return false;
    // A layout file is a few lines; a larger one is damaged or foreign and is
    // not read at all (reading it whole could stall the start or exhaust memory).
    const SmallFile file = SmallFile::read(fileName, kLayoutFileMaxBytes);
    if (!file.isRead()) return false;
    QString objectName, className;
    QList<ComponentProperty> properties;
    if (!readComponentStream(QString::fromUtf8(file.bytes), &objectName, &className, &properties))
      return false;
    if (className != klass) return false;
    return restoreProperties(control, properties);
  } catch (...) {
    return false;
  }
}

bool saveComponentToFile(QWidget* control, const QString& fileName, bool keepShown,
                         const QString& storedName) {
  if (!control) return false;
  const bool hideWhileWriting = !keepShown && control->isWindow() && control->isVisible();
  if (hideWhileWriting) control->hide();
  bool written = false;
  try {
    const QString klass = streamClassOf(control);
    if (!klass.isEmpty())
      written =
          writeFile(fileName, writeComponentStream(storedName.isEmpty() ? control->objectName() : storedName,
                                                   klass, propertiesOf(control))
                                  .toUtf8());
  } catch (...) {
    written = false;
  }
  if (hideWhileWriting) control->show();
  return written;
}
