#include "bases/OptionsForm.h"

#include "ui_OptionsForm.h"

#include "bases/BaseStore.h"
#include "bases/FieldRules.h"
#include "bases/InputValidators.h"
#include "bases/SlotBox.h"
#include "database/UDM.h"
#include "settings/NumericText.h"
#include "shell/Application.h"
#include "shell/MessageService.h"
#include "shell/Windows.h"
#include "workspace/Selection.h"
#include "workspace/UExper.h"

#include <QCloseEvent>
#include <QKeyEvent>

#include <algorithm>

namespace {

const QString kInUse = QStringLiteral("Используется");
const QString kNotInUse = QStringLiteral("Не используется");
const QString kDataCaption = QStringLiteral("Данные");
// The earliest date of the date field stands for "no date" and shows blank.
const QDate kNoDate(1900, 1, 1);

}  // namespace

TChOptions::TChOptions(QWidget* parent) : OpenedWindow(parent), ui(std::make_unique<Ui::TChOptions>()) {
  ui->setupUi(this);
  setUpFields();
  setUpSlotBoxes();
  makeFixedDialog();
  previewKeys();
  connect(ui->dxButton2, &QPushButton::clicked, this, &TChOptions::AOKExecute);
  connect(ui->abcPicBtn1, &QPushButton::clicked, this, &TChOptions::AGetArhiveExecute);
}

TChOptions::~TChOptions() = default;

void TChOptions::setUpFields() {
  ui->ENumber->setValidator(new CapitalsValidator(CapitalsValidator::Kind::SerialNumber, this));
  for (QLineEdit* field : {ui->EName, ui->EUser, ui->EMaker})
    field->setValidator(new CapitalsValidator(CapitalsValidator::Kind::AnyText, this));
  ui->EYear->setValidator(NewDigitsValidator(this));
  for (QLineEdit* field : {ui->ENvoltage, ui->ENtok, ui->ENpered, ui->EKlasT})
    field->setValidator(NewDecimalValidator(this));

  // Any edit of a meter's type or serial number unticks its slot: the database
  // keeps the old meter until the box is ticked again, which replaces it.
  for (QLineEdit* field : {ui->ENumber, ui->EName}) {
    connect(field, &QLineEdit::textEdited, this, [this, field](const QString& text) {
      if (text != shownText_.value(field)) UntickCurrentSlot();
    });
    connect(field, &QLineEdit::textChanged, this,
            [this, field](const QString& text) { shownText_[field] = text; });
  }

  ui->EdateOld->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
  ui->EdateOld->setMinimumDate(kNoDate);
  ui->EdateOld->setSpecialValueText(QStringLiteral(" "));
  ui->EdateOld->setDate(QDate::currentDate());
}

void TChOptions::setUpSlotBoxes() {
  SlotBoxes = {nullptr,         ui->dxCheckbox1, ui->dxCheckbox2, ui->dxCheckbox3, ui->dxCheckbox4,
               ui->dxCheckbox5, ui->dxCheckbox6, ui->dxCheckbox7, ui->dxCheckbox8};
  for (int n = 1; n <= 8; ++n) {
    SlotBoxes[n]->setSlot(n);
    connect(SlotBoxes[n], &SlotBox::pressed, this, &TChOptions::dxCheckbox1MouseDown);
    connect(SlotBoxes[n], &SlotBox::released, this, &TChOptions::dxCheckbox1MouseUp);
  }
}

// The nine edits: every field but the date.
QList<QLineEdit*> TChOptions::dataEdits() const {
  return {ui->ENumber, ui->EName, ui->EYear,     ui->EUser,  ui->EMaker,
          ui->EKlasT,  ui->ENtok, ui->ENvoltage, ui->ENpered};
}

// ---------------------------------------------------------------- opening and closing

void TChOptions::OpenForChosenBase(QWidget* opener) {
  fieldsLive_ = false;
  ClearEditor();
  QueryDataset* meters = DM1->QMaster;
  meters->reopen(Statements::metersOfBase(ChosenBaseName, true));
  ChosenSlot = 1;
  if (!meters->isEmpty()) {
    meters->first();
    if (meters->fieldByName(QStringLiteral("NumberCh")).asInteger() == 1)
      ShowMeterFields();
    else
      ShowMeterProposals(BaseStore::ReadMeter(*meters));
    for (; !meters->eof(); meters->next()) {
      const qint64 slot = meters->fieldByName(QStringLiteral("NumberCh")).asInteger();
      if (slot < 1 || slot > 8 || !meters->fieldByName(QStringLiteral("MyVisible")).asBool()) continue;
      SlotBoxes[slot]->setChecked(true);
      ShowSlotCaption(static_cast<int>(slot));
    }
  }
  showEditor(opener, ui->ENumber);
}

void TChOptions::OpenForNewBase(QWidget* opener) {
  fieldsLive_ = false;
  ClearEditor();
  ChosenSlot = 1;
  showEditor(opener, ui->ENvoltage);
}

void TChOptions::showEditor(QWidget* opener, QLineEdit* focusField) {
  setEnabled(true);
  centreOnScreen();
  showFor(opener);
  FormActivate();
  focusField->setFocus(Qt::OtherFocusReason);
  fieldsLive_ = true;
}

void TChOptions::FormActivate() {
  DM1->TSlave->close();
  MarkCurrentSlot(ChosenSlot);
  ui->LNameBase->setText(ChosenBaseName);
  DM1->QBase->reopen(Statements::baseByName(ChosenBaseName));
  ShowBaseNominals();
  ShowSlotStates();
}

void TChOptions::AOKExecute() { close(); }

void TChOptions::closeEvent(QCloseEvent* event) {
  // While the archive browser is open for a take-over the editor waits for it.
  if (!isEnabled()) {
    event->ignore();
    return;
  }
  try {
    CommitFocusedField();
  } catch (const std::exception& error) {
    event->ignore();  // stay open: what was typed is still in the field
    ReportHandlerError(error);
    return;
  }
  OpenedWindow::closeEvent(event);  // formClose, then the opener is enabled again
}

void TChOptions::formClose() {
  fieldsLive_ = false;
  DM1->QBase->reopen(Statements::allBases());
  if (Form2) Form2->BuildBaseTree();
  MarkedPointCount = 0;
  ChosenMeterNum = 0;
  ChosenBaseName.clear();
  if (Form2) Form2->ShowSelection();
}

// ---------------------------------------------------------------- shown state

void TChOptions::ClearEditor() {
  for (QLineEdit* field : dataEdits()) field->clear();
  for (int n = 1; n <= 8; ++n) ShowSlotUnused(n);
}

void TChOptions::ShowSlotUnused(int n) {
  SlotBoxes[n]->setChecked(false);
  SlotBoxes[n]->setText(kNotInUse);
}

void TChOptions::ShowSlotCaption(int n) {
  SlotBoxes[n]->setText(SlotBoxes[n]->isChecked() ? kInUse : kNotInUse);
}

void TChOptions::ResetSlotColours() {
  for (int n = 1; n <= 8; ++n) SlotBoxes[n]->setCurrent(false);
}

void TChOptions::MarkCurrentSlot(int n) {
  ResetSlotColours();
  SlotBoxes[n]->setCurrent(true);
  // The number always names the slot whose meter the fields show.
  ui->Lcount->setText(QStringLiteral("№ ") + QString::number(n));
}

void TChOptions::ShowBaseNominals() {
  const BaseNominals nominals = BaseStore::ReadNominals();
  ui->EKlasT->setText(NumberToText(nominals.klas));
  ui->ENtok->setText(NumberToText(nominals.current));
  ui->ENvoltage->setText(NumberToText(nominals.voltage));
  ui->ENpered->setText(NumberToText(nominals.constant));
}

void TChOptions::ShowSlotStates() {
  QueryDataset* meters = DM1->QMaster;
  meters->reopen(Statements::metersOfBase(ChosenBaseName));
  for (meters->first(); !meters->eof(); meters->next()) {
    const qint64 slot = meters->fieldByName(QStringLiteral("NumberCh")).asInteger();
    if (slot >= 1 && slot <= 8)
      SlotBoxes[slot]->setChecked(meters->fieldByName(QStringLiteral("MyVisible")).asBool());
  }
}

void TChOptions::ShowMeterFields() {
  const MeterData meter = BaseStore::ReadMeter(*DM1->QMaster);
  ShowMeterProposals(meter);
  ui->ENumber->setText(meter.number);
  ui->EYear->setText(meter.year);
}

// Type, owner, maker and date: what a new meter of the base most likely shares.
void TChOptions::ShowMeterProposals(const MeterData& meter) {
  ui->EUser->setText(meter.user);
  ui->EMaker->setText(meter.maker);
  ui->EdateOld->setDate(meter.oldDate.isValid() ? meter.oldDate : kNoDate);
  ui->EName->setText(meter.type);
}

void TChOptions::ClearNumberAndYear() {
  ui->ENumber->clear();
  ui->EYear->clear();
}

void TChOptions::SwitchSlot(int n) {
  if (n != ChosenSlot) {
    QueryDataset* meters = DM1->QMaster;
    meters->reopen(Statements::meterInSlot(ChosenBaseName, n));
    if (meters->isEmpty())
      ClearNumberAndYear();
    else
      ShowMeterFields();
  }
  ChosenSlot = n;
}

// ---------------------------------------------------------------- slot boxes

void TChOptions::dxCheckbox1MouseDown(int slot, Qt::MouseButton button) {
  SwitchSlot(slot);
  MarkCurrentSlot(slot);
  WasInUse = button == Qt::LeftButton && SlotBoxes[slot]->isChecked();
}

// The click has already toggled the box.
void TChOptions::dxCheckbox1MouseUp(int slot) {
  SlotBox* box = SlotBoxes[slot];
  ShowSlotCaption(slot);
  ui->Lcount->setText(QStringLiteral("№ ") + QString::number(slot));
  if (box->isChecked()) {
    if (AllFieldsFilled()) {
      ASetBaseExecute();
    } else {
      MessageService::notice(this, kDataCaption, QStringLiteral("Необходимо заполноть все поля данных"));
      ShowSlotUnused(slot);
    }
  }
  if (WasInUse && !box->isChecked()) AEditrecordExecute();
  if (DM1->TMaster->isOpen()) DM1->TMaster->refresh();
}

bool TChOptions::currentSlotTicked() const { return SlotBoxes[ChosenSlot]->isChecked(); }

void TChOptions::UntickCurrentSlot() { SlotBoxes[ChosenSlot]->setChecked(false); }

bool TChOptions::AllFieldsFilled() const {
  if (!currentSlotTicked()) return true;
  const QList<QLineEdit*> fields = dataEdits();
  return std::none_of(fields.cbegin(), fields.cend(),
                      [](const QLineEdit* field) { return field->text().isEmpty(); });
}

MeterData TChOptions::typedMeter() const {
  const QDate date = ui->EdateOld->date();
  return {ui->ENumber->text(), ui->EName->text(),  ui->EYear->text(),
          ui->EUser->text(),   ui->EMaker->text(), date == kNoDate ? QDate() : date};
}

// ---------------------------------------------------------------- database actions

void TChOptions::AChSingleExecute() { BaseStore::DeleteSlotMeters(ChosenBaseName, ChosenSlot); }

void TChOptions::ASetBaseExecute() {
  if (!currentSlotTicked()) return;
  if (!BaseStore::PutMeterInUse(ChosenBaseName, ChosenSlot, typedMeter())) {
    MessageService::notice(this, kDataCaption,
                           QStringLiteral("Cчетчик с такими номером и типом уже используется!"));
    ShowSlotUnused(ChosenSlot);
  }
}

void TChOptions::AEditrecordExecute() {
  QString storedYear;
  const BaseStore::StoreResult result =
      BaseStore::StoreMeterInUse(ChosenBaseName, ChosenSlot, currentSlotTicked(), typedMeter(), &storedYear);
  if (result == BaseStore::StoreResult::YearMissing) {
    // The meter keeps its year; the field shows it again instead of an empty text.
    ui->EYear->setText(storedYear);
    MessageService::notice(this, kDataCaption,
                           QStringLiteral("Не указан год выпуска счетчика. Сохранен прежний год выпуска."));
  }
}

void TChOptions::ASaveBaseExecute() {
  BaseStore::StoreNominals({TextToNumber(ui->ENvoltage->text()), TextToNumber(ui->ENtok->text()),
                            TextToNumber(ui->ENpered->text()), TextToNumber(ui->EKlasT->text())});
  ShowBaseNominals();
}

void TChOptions::AGetArhiveExecute() {
  SwitchSlot(ChosenSlot);
  DM1->QMasterArhive->reopen(Statements::archivedMetersOfBase(ChosenBaseName));
  if (DM1->QMasterArhive->isEmpty()) {
    MessageService::notice(
        this, QStringLiteral("Архив"),
        QStringLiteral("В архиве нет счетчиков из базы - ") + ChosenBaseName + QStringLiteral(" !"));
    return;
  }
  if (!OpenArchiveBrowser) throw std::runtime_error("Окно архива счетчиков недоступно.");
  OpenArchiveBrowser();
  setEnabled(false);
}

void TChOptions::TakeOverArchivedMeter(const QString& type, const QString& number, const QString& year) {
  setEnabled(true);
  ui->EName->setText(type);
  ui->ENumber->setText(number);
  ui->EYear->setText(year);
  AChSingleExecute();
  ShowSlotUnused(ChosenSlot);
  activateWindow();
}

// ---------------------------------------------------------------- nominal values

void TChOptions::ClampVoltage() {
  ui->ENvoltage->setText(ClampedNominalText(ui->ENvoltage->text(), kVoltageBounds));
}

void TChOptions::ClampCurrent() { ui->ENtok->setText(ClampedNominalText(ui->ENtok->text(), kCurrentBounds)); }

void TChOptions::ClampConstant() {
  ui->ENpered->setText(ClampedNominalText(ui->ENpered->text(), kConstantBounds));
}

// ---------------------------------------------------------------- keys and leaving fields

bool TChOptions::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyRelease:
      if (fieldKeyRelease(watched, static_cast<QKeyEvent*>(event))) return true;
      break;
    case QEvent::FocusOut: {
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      // A message box or the calendar taking the focus is not leaving the field.
      if (fieldsLive_ && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
        FieldExit(watched);
      break;
    }
    default:
      break;
  }
  return OpenedWindow::eventFilter(watched, event);  // key presses
}

// Enter in a nominal field bounds all three bounded values and goes no further.
// Esc has no duty here: it does not close the editor.
bool TChOptions::controlKeyPress(QWidget* control, QKeyEvent* event) {
  const bool nominal = control == ui->ENvoltage || control == ui->ENtok || control == ui->ENpered;
  if (!nominal || !IsEnterKey(event)) return false;
  ClampVoltage();
  ClampCurrent();
  ClampConstant();
  return true;
}

// Releasing Enter in an edit moves on to the next field, leaving this one.
bool TChOptions::fieldKeyRelease(QObject* field, QKeyEvent* event) {
  if (!IsEnterKey(event) || event->isAutoRepeat() || !dataEdits().contains(qobject_cast<QLineEdit*>(field)))
    return false;
  focusNextPrevChild(true);
  return true;
}

void TChOptions::FieldExit(QObject* field) {
  if (field == ui->ENvoltage)
    ClampVoltage();
  else if (field == ui->ENtok)
    ClampCurrent();
  else if (field == ui->ENpered)
    ClampConstant();
  if (field == ui->ENvoltage || field == ui->ENtok || field == ui->ENpered || field == ui->EKlasT) {
    ASaveBaseExecute();
  } else if (field == ui->EYear || field == ui->EUser || field == ui->EMaker || field == ui->EdateOld) {
    if (currentSlotTicked()) AEditrecordExecute();
  }
}

// Closing with the focus still in a field stores that field as leaving it would.
void TChOptions::CommitFocusedField() {
  if (!fieldsLive_) return;
  QWidget* focused = focusWidget();
  if (focused && (ui->EdateOld->isAncestorOf(focused) || focused == ui->EdateOld)) focused = ui->EdateOld;
  if (focused) FieldExit(focused);
}
