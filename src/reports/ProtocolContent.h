#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

#include "reports/AccuracyLimits.h"
#include "reports/VerificationProgram.h"

class Dataset;
class DataModule;
class WordDocument;
struct InstallationInfo;

// What the verification protocols show, read from the data module and the
// settings, and how it goes into the Word templates. GUI-free: the report
// routines of WordProtocols add the template, the operator's messages, saving and
// the protocol number.

// Placeholders and their texts, in the order they are replaced.
using PlaceholderValues = std::vector<std::pair<QString, QString>>;

// The fifteen placeholders of look.doc and the twelve of Glook.doc.
const QStringList& singleProtocolPlaceholders();
const QStringList& groupProtocolPlaceholders();

// The texts of every placeholder for the chosen meter and base as the main
// window left the data module (meters/chosenMeter on the meter, bases/chosenBase on
// the base): field edit texts; dates (today, the certificate's) in the
// locale's short format. `placeholders` picks and orders them.
PlaceholderValues protocolPlaceholderValues(DataModule& dm, const QStringList& placeholders,
                                            const QString& protocolNumber,
                                            const InstallationInfo& installation, const QDate& today);

// A test point marked for the report, as its cells show it.
struct ProtocolPoint {
  QString voltage;
  QString current;
  QString powerFactor;
  QString error;
  PointJudgement judgement;  // against the accuracy limits
};

// What judges the points of a protocol: the limits, the base's accuracy
// class and the verification programs; without limits no point is judged and
// no program applies.
struct JudgingBasis {
  const AccuracyLimits* limits = nullptr;
  double accuracyClass = 0;
  const VerificationPrograms* programs = nullptr;
};
// The limits and programs for the base the main window left in dm.bases.
JudgingBasis chosenBaseJudging(DataModule& dm, const AccuracyLimits& limits,
                               const VerificationPrograms* programs = nullptr);

// The points of `slave` (the meter its master shows) whose Rep is "R", in the
// order they were added, judged on the basis. Leaves the dataset on its last row.
std::vector<ProtocolPoint> markedPoints(Dataset& slave, const JudgingBasis& basis = {});
// The meter of that type whose test points `slave` holds, judged on its
// marked points against its program (when the basis has one for it).
MeterAssessment assessMarkedPoints(Dataset& slave, const JudgingBasis& basis, const QString& meterType);

// One error column of the group protocol: a meter in use of the base.
struct GroupMeterColumn {
  int slot = 0;
  QString serialNumber;
  std::vector<ProtocolPoint> points;  // its marked points, in order
  Verdict verdict = Verdict::NotJudged;
};

// The base's meters in use, by slot, with their marked points and their
// verdicts on the basis (against their programs).
// meters is reopened on them and left on the last one (testPoints following it).
std::vector<GroupMeterColumn> groupMeterColumns(DataModule& dm, const QString& baseName,
                                                const JudgingBasis& basis = {});

// The conclusion placeholder <Lzak> of both templates.
inline const QString kConclusionPlaceholder = QStringLiteral("<Lzak>");
// "счётчик признан годным к применению." / "…негодным…"; a blank for the
// verifier's pen when not judged.
QString singleConclusionText(Verdict verdict);
// Why a meter with a program gets no conclusion: "не измерены точки
// программы: 5 % cos φ = 1; 10 % 0,5 инд." (points measured but without a
// limit follow as "не оценены точки программы: …"); empty when the meter is
// judged or has no program. The protocol puts it after kNoConclusionLead.
QString programGapsText(const MeterAssessment& assessment);
inline const QString kNoConclusionLead = QStringLiteral("Заключение не дано: ");
// "счётчики признаны годными к применению: №…, №…; негодными: №…; не
// оценены: №…." by the meters' verdicts; a blank when none is judged.
QString groupConclusionText(const std::vector<GroupMeterColumn>& meters);

// The test conditions of a group protocol's data rows, one row per condition
// (Voltage, Tok, KM as their cells show them): the chosen meter's marked points
// in their order, then the conditions only other meters have, in the order of
// their slots and points. A condition that one meter has marked n times has n
// rows, so that no error is lost.
std::vector<ProtocolPoint> groupRowConditions(const std::vector<ProtocolPoint>& chosenPoints,
                                              const std::vector<GroupMeterColumn>& meters);

// Fills a document made from look.doc: the placeholders, then one row of the
// first table per point below its heading row (number, voltage, current,
// power factor, error and, when the table has a sixth column, the limit of a
// judged point), and the conclusion from the meter's verdict. A meter that
// its program leaves unjudged gets "Заключение не дано: " and programGapsText
// in a paragraph of its own above the conclusion, which keeps the blank for
// the pen.
void fillSingleProtocol(WordDocument& document, const PlaceholderValues& placeholders,
                        const std::vector<ProtocolPoint>& points, const MeterAssessment& assessment);

// Fills a document made from Glook.doc. Rows 1 and 2 are headings; row 3
// gets each meter's serial number in the cell over its error column; data row
// m + 3 holds the m-th test condition of groupRowConditions (running number,
// voltage, current, power factor in columns 1 to 4), and the meter in slot k
// writes the error it measured under that condition in column k + 4.
// A last row "Заключение" holds each meter's verdict under its errors (empty
// for a meter not judged), and the conclusion line names the fit, unfit and
// unjudged meters.
void fillGroupProtocol(WordDocument& document, const PlaceholderValues& placeholders,
                       const std::vector<ProtocolPoint>& chosenPoints,
                       const std::vector<GroupMeterColumn>& meters);

// The protocol number after `number`: its value plus one (a text that is not a
// number counts as 0), written with "." and cut to 10 characters.
QString nextProtocolNumber(const QString& number);
