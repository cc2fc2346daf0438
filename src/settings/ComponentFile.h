#pragma once

#include <QList>
#include <QString>

class QWidget;

// Component files: the published state of one control of a window, written at
// closing and read back at the next start (the main window's layout memo, stored as "MForm", with
// its layout lines, and its point grid, stored as "DBGrid1", with its columns).
//
// File format (our own, UTF-8 text, "\n" line ends):
//
//   VT3417 component stream 1
//   object <object name>: <class name>
//     <property> = <value>
//     ...
//   end
//
// - Line 1 identifies the format and its version; a file with another first
//   line is not read.
// - The object line names the control and its class. A file is read only into a
//   control of the same class (the name is informative).
// - One property per line, indented by two blanks: the name, " = ", the value
//   to the end of the line. In values "\" is written "\\", a line break "\n",
//   a carriage return "\r" and a tab "\t"; leading and trailing blanks are kept.
//   A property may repeat (a list); the order of repeated properties matters.
// - "end" closes the object; anything after it is ignored.
//
// Properties of the classes the program writes:
// - QPlainTextEdit: "Lines", one per text line, in order.
// - DatasetGrid (the data grid): "Column", one per column in display order, the
//   value being blank-separated key=value pairs:
//     field=<field name> width=<pixels> alignment=<left|right|center>
//     title-alignment=<left|right|center> visible=<true|false>
//   e.g. "Column = field=Rep width=74 alignment=center title-alignment=center visible=true".
struct ComponentProperty {
  QString name;
  QString value;

  friend bool operator==(const ComponentProperty&, const ComponentProperty&) = default;
};

// A control of our own whose state goes into component files.
class StreamableComponent {
 public:
  virtual ~StreamableComponent() = default;
  virtual QString streamClassName() const = 0;
  virtual QList<ComponentProperty> publishedProperties() const = 0;
  // Replaces the state the properties describe. False when a property is
  // malformed; then nothing is changed.
  virtual bool restoreProperties(const QList<ComponentProperty>& properties) = 0;
};

// Reads the file into the existing control, replacing the properties the file
// holds. False when no control is given, the file does not exist, cannot be
// read, is larger than kLayoutFileMaxBytes, is not a component file of the
// control's class or holds a malformed property (then the control is
// unchanged). Never throws.
bool loadComponentFromFile(QWidget* control, const QString& fileName);

// Writes the control's published state to the file (created or replaced as a
// whole). If keepShown is false and the control is a visible window, it is
// hidden while writing and shown again afterwards, also after a failed write.
// False when no control is given, its class cannot be streamed, or the file
// cannot be written (for instance a missing folder). Never throws.
// storedName is the name written on the object line (the control's object name
// when empty), so that files keep the names they were first written with.
bool saveComponentToFile(QWidget* control, const QString& fileName, bool keepShown,
                         const QString& storedName = {});

// The text of a component file and its reading back (for tests and tools).
QString writeComponentStream(const QString& objectName, const QString& className,
                             const QList<ComponentProperty>& properties);
// False when the text is not a well-formed component stream.
bool readComponentStream(const QString& text, QString* objectName, QString* className,
                         QList<ComponentProperty>* properties);
