#include "reports/WordProtocols.h"

#include <QDate>
#include <QDir>

#include <functional>
#include <memory>

#include "database/DataModule.h"
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
std::unique_ptr<WordDocument> OpenTemplate(const QString& relativeName) {
  const QString specified = QDir::toNativeSeparators(ProgramPath(relativeName));
  const QString docx = WordTemplatePath(specified);
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

QString ValueOf(const PlaceholderValues& values, const QString& placeholder) {
  for (const auto& [name, value] : values)
    if (name == placeholder) return value;
  return {};
}

// "Протокол 9 СО-505 123456 2026-12-09": what the saved file is.
QString DescriptiveName(const QStringList& parts) {
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
QString WriteProtocol(const QString& templateName, const ProtocolFiller& fill) {
  std::unique_ptr<WordDocument> document = OpenTemplate(templateName);
  if (!document) return {};
  const ProofingOptions proofing = document->proofingOptions();
  document->setProofingOptions({.checkSpellingAsYouType = false, .checkGrammarAsYouType = false});
  LoadProgramConfig();
  const QString protocolNumber = Config.ProtocolNumber;
  const QString descriptiveName = fill(*document, protocolNumber);
  document->setProofingOptions(proofing);
  const QString path = HandToUser(document->toDocx(), descriptiveName, QStringLiteral("docx"));
  if (Config.AutoIncrement != 0) {
    Config.ProtocolNumber = NextProtocolNumber(protocolNumber);
    SaveProgramConfig();
  }
  return path;
}

}  // namespace

QString SingleWordReport() {
  LoadInstallationInfo();
  return WriteProtocol(kSingleTemplate, [](WordDocument& document, const QString& protocolNumber) {
    const QDate today = QDate::currentDate();
    const PlaceholderValues values =
        ProtocolPlaceholderValues(*theDataModule, SingleProtocolPlaceholders(), protocolNumber, Installation, today);
    const JudgingBasis basis = ChosenBaseJudging(*theDataModule, ProgramLimits());
    FillSingleProtocol(document, values, MarkedPoints(*theDataModule->testPoints, basis));
    PlaceProtocolChart(document,
                       SingleProtocolChart(*theDataModule->connection(), ChosenMeterNum, ChosenBaseName));
    return DescriptiveName({QStringLiteral("Протокол"), protocolNumber,
                            ValueOf(values, QStringLiteral("<Ltch>")),
                            ValueOf(values, QStringLiteral("<Lnum>")), today.toString(Qt::ISODate)});
  });
}

QString GroupWordReport() {
  return WriteProtocol(kGroupTemplate, [](WordDocument& document, const QString& protocolNumber) {
    LoadInstallationInfo();
    const QDate today = QDate::currentDate();
    const PlaceholderValues values =
        ProtocolPlaceholderValues(*theDataModule, GroupProtocolPlaceholders(), protocolNumber, Installation, today);
    // The chosen meter's points before meters moves on to the whole base.
    const JudgingBasis basis = ChosenBaseJudging(*theDataModule, ProgramLimits());
    const std::vector<ProtocolPoint> chosenPoints = MarkedPoints(*theDataModule->testPoints, basis);
    const std::vector<GroupMeterColumn> meters = GroupMeterColumns(*theDataModule, ChosenBaseName, basis);
    FillGroupProtocol(document, values, chosenPoints, meters);
    PlaceProtocolChart(document, GroupProtocolChart(*theDataModule->connection(), ChosenBaseName));
    return DescriptiveName(
        {QStringLiteral("Групповой протокол"), protocolNumber, ChosenBaseName, today.toString(Qt::ISODate)});
  });
}

