#include "reports/WordProtocols.h"

#include <QDate>
#include <QDir>

#include <functional>
#include <memory>

#include "database/DataModule.h"
#include "database/Rows.h"
#include "reports/DesktopOpen.h"
#include "reports/ProtocolChart.h"
#include "reports/ProtocolContent.h"
#include "reports/WordDocument.h"
#include "settings/ProgramDir.h"
#include "settings/SettingsRecords.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"

namespace {

const QString kSingleTemplate = QStringLiteral("sources/look.doc");
const QString kGroupTemplate = QStringLiteral("sources/Glook.doc");

// A new document from the template; nullptr once the operator has been told
// why the template cannot be used. The specified file comes first; a .docx
// beside it stands in when the specified one is missing or unusable.
std::unique_ptr<WordDocument> openTemplate(const QString& relativeName) {
  const QString specified = QDir::toNativeSeparators(programPath(relativeName));
  const QString docx = wordTemplatePath(specified);
  try {
    return std::make_unique<WordDocument>(specified);
  } catch (const WordTemplateError& specifiedError) {
    if (docx == specified) {
      MessageService::plain(specifiedError.userMessage());
      return nullptr;
    }
    try {
      return std::make_unique<WordDocument>(docx);
    } catch (const WordTemplateError& docxError) {
      // Only a template that is there is worth talking about.
      const bool specifiedMissing = specifiedError.reason() == WordTemplateError::Reason::Missing;
      MessageService::plain(specifiedMissing ? docxError.userMessage() : specifiedError.userMessage());
      return nullptr;
    }
  }
}

QString valueOf(const PlaceholderValues& values, const QString& placeholder) {
  for (const auto& [name, value] : values)
    if (name == placeholder) return value;
  return {};
}

// "Протокол 9 СО-505 123456 2026-12-09": what the saved file is.
QString descriptiveName(const QStringList& parts) {
  QStringList kept;
  for (const QString& part : parts)
    if (!part.trimmed().isEmpty()) kept << part.trimmed();
  return kept.join(QLatin1Char(' '));
}

// Fills the document for the protocol number as stored; returns the
// descriptive name of the file.
using ProtocolFiller = std::function<QString(WordDocument& document, const QString& protocolNumber)>;

// The steps both protocols share: the template, Word's proofing options
// switched off while filling and restored, the program configuration, saving
// and handing the document over, and only then the next protocol number.
QString writeProtocol(const QString& templateName, const ProtocolFiller& fill) {
  std::unique_ptr<WordDocument> document = openTemplate(templateName);
  if (!document) return {};
  const ProofingOptions proofing = document->proofingOptions();
  document->setProofingOptions({.checkSpellingAsYouType = false, .checkGrammarAsYouType = false});
  loadProgramConfig();
  const QString protocolNumber = Config.ProtocolNumber;
  const QString descriptiveName = fill(*document, protocolNumber);
  document->setProofingOptions(proofing);
  const QString path = handToUser(document->toDocx(), descriptiveName, QStringLiteral("docx"));
  if (Config.AutoIncrement != 0) {
    Config.ProtocolNumber = nextProtocolNumber(protocolNumber);
    saveProgramConfig();
  }
  return path;
}

}  // namespace

QString singleWordReport(DataModule& dm, const Selection& selection) {
  loadInstallationInfo();
  return writeProtocol(
      kSingleTemplate, [&dm, &selection](WordDocument& document, const QString& protocolNumber) {
        const QDate today = QDate::currentDate();
        const PlaceholderValues values =
            protocolPlaceholderValues(dm, singleProtocolPlaceholders(), protocolNumber, Installation, today);
        const JudgingBasis basis = chosenBaseJudging(dm, programLimits(), &verificationPrograms());
        const MeterAssessment assessment =
            assessMarkedPoints(*dm.testPoints, basis, Row::Meter::read(*dm.meters).type);
        // The chart first: its placeholder is then no longer in the text the values go into.
        placeProtocolChart(document,
                           singleProtocolChart(*dm.connection(), selection.meterNum(), selection.baseName()));
        fillSingleProtocol(document, values, markedPoints(*dm.testPoints, basis), assessment);
        return descriptiveName({QStringLiteral("Протокол"), protocolNumber,
                                valueOf(values, QStringLiteral("<Ltch>")),
                                valueOf(values, QStringLiteral("<Lnum>")), today.toString(Qt::ISODate)});
      });
}

QString groupWordReport(DataModule& dm, const Selection& selection) {
  return writeProtocol(
      kGroupTemplate, [&dm, &selection](WordDocument& document, const QString& protocolNumber) {
        loadInstallationInfo();
        const QDate today = QDate::currentDate();
        const PlaceholderValues values =
            protocolPlaceholderValues(dm, groupProtocolPlaceholders(), protocolNumber, Installation, today);
        // The chosen meter's points before meters moves on to the whole base.
        const JudgingBasis basis = chosenBaseJudging(dm, programLimits(), &verificationPrograms());
        const std::vector<ProtocolPoint> chosenPoints = markedPoints(*dm.testPoints, basis);
        const std::vector<GroupMeterColumn> meters = groupMeterColumns(dm, selection.baseName(), basis);
        placeProtocolChart(document, groupProtocolChart(*dm.connection(), selection.baseName()));
        fillGroupProtocol(document, values, chosenPoints, meters);
        return descriptiveName({QStringLiteral("Групповой протокол"), protocolNumber, selection.baseName(),
                                today.toString(Qt::ISODate)});
      });
}
