#pragma once

#include <QString>

class DataModule;
class Selection;

// The verification protocols ("протокол поверки") as Word documents.
//
// Each routine makes a new document from its template in "sources" (look.doc
// for one meter, Glook.doc for the chosen meter's whole base; a look.docx or
// Glook.docx is taken when the specified file is missing or unusable), fills it
// from the chosen meter and base as the main window left the data module, the
// installation data and the protocol number, saves it under "protocols" and
// opens it when there is a desktop. They return the saved file.
//
// A template that cannot be used is told to the operator in a plain box
// ("Не найден файл " + its full path, or the advice to save an old .doc as
// .docx); nothing is written and the result is empty. Any later error is
// thrown (std::runtime_error) and leaves nothing behind either: no file, the
// protocol number as it was. With automatic numbering the protocol number
// advances only once the document has been saved.
//
// Data module rows afterwards: the single protocol leaves testPoints on the
// meter's last point; the group protocol leaves meters on the base's last
// meter in use (testPoints following it).
QString singleWordReport(DataModule& dm, const Selection& selection);
QString groupWordReport(DataModule& dm, const Selection& selection);
