#include "bases/BaseEditor.h"

#include "ui_BaseEditor.h"

#include "bases/BaseStore.h"
#include "bases/FieldRules.h"
#include "bases/InputValidators.h"
#include "bases/SlotBox.h"
#include "database/DataModule.h"
#include "database/Rows.h"
#include "settings/NumericText.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"
#include "ui/Workspace.h"

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

BaseEditor::BaseEditor(DataModule& dataModule, Selection& selection, Workspace* workspace, QWidget* parent)
    : OpenedWindow(parent),
      ui(std::make_unique<Ui::BaseEditor>()),
      dm_(dataModule),
      selection_(selection),
      workspace_(workspace) {
  ui->setupUi(this);
  setUpFields();
  setUpSlotBoxes();
  makeFixedDialog();
  previewKeys();
  connect(ui->okButton, &QPushButton::clicked, this, &BaseEditor::closeEditor);
  connect(ui->fromArchiveButton, &QPushButton::clicked, this, &BaseEditor::takeFromArchive);
}

BaseEditor::~BaseEditor() = default;

void BaseEditor::setUpFields() {
  ui->serialNumberEdit->setValidator(new CapitalsValidator(CapitalsValidator::Kind::SerialNumber, this));
  for (QLineEdit* field : {ui->meterTypeEdit, ui->ownerEdit, ui->makerEdit})
    field->setValidator(new CapitalsValidator(CapitalsValidator::Kind::AnyText, this));
  ui->yearEdit->setValidator(newDigitsValidator(this));
  for (QLineEdit* field : nominalEdits()) {
    field->setValidator(newDecimalValidator(this));
    // The length limit is for typing: a longer stored value is shown whole,
    // and typing never makes a text longer than the limit or than it is.
    const int limit = field->maxLength();
    typingLimit_[field] = limit;
    connect(field, &QLineEdit::textEdited, this,
            [field, limit](const QString& text) { field->setMaxLength(std::max(limit, int(text.size()))); });
  }

  // Any edit of a meter's type or serial number unticks its slot: the database
  // keeps the old meter until the box is ticked again, which replaces it.
  for (QLineEdit* field : {ui->serialNumberEdit, ui->meterTypeEdit}) {
    connect(field, &QLineEdit::textEdited, this, [this, field](const QString& text) {
      if (text != shownText_.value(field)) untickCurrentSlot();
    });
    connect(field, &QLineEdit::textChanged, this,
            [this, field](const QString& text) { shownText_[field] = text; });
  }

  ui->lastCheckDateEdit->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
  ui->lastCheckDateEdit->setMinimumDate(kNoDate);
  ui->lastCheckDateEdit->setSpecialValueText(QStringLiteral(" "));
  ui->lastCheckDateEdit->setDate(QDate::currentDate());
}

void BaseEditor::setUpSlotBoxes() {
  slotBoxes = {nullptr,      ui->slotBox1, ui->slotBox2, ui->slotBox3, ui->slotBox4,
               ui->slotBox5, ui->slotBox6, ui->slotBox7, ui->slotBox8};
  for (int n = 1; n <= 8; ++n) {
    slotBoxes[n]->setSlot(n);
    connect(slotBoxes[n], &SlotBox::pressed, this, &BaseEditor::onSlotPressed);
    connect(slotBoxes[n], &SlotBox::released, this, &BaseEditor::onSlotReleased);
  }
}

QList<QLineEdit*> BaseEditor::nominalEdits() const {
  return {ui->nominalVoltageEdit, ui->nominalCurrentEdit, ui->meterConstantEdit, ui->accuracyClassEdit};
}

// The nine edits: every field but the date.
QList<QLineEdit*> BaseEditor::dataEdits() const {
  return {ui->serialNumberEdit,   ui->meterTypeEdit,      ui->yearEdit,
          ui->ownerEdit,          ui->makerEdit,          ui->accuracyClassEdit,
          ui->nominalCurrentEdit, ui->nominalVoltageEdit, ui->meterConstantEdit};
}

// ---------------------------------------------------------------- opening and closing

void BaseEditor::openForChosenBase(QWidget* opener) {
  fieldsLive_ = false;
  clearEditor();
  QueryDataset* meters = dm_.meters;
  meters->reopen(Statements::metersOfBase(selection_.baseName(), true));
  selection_.setSlot(1);
  if (!meters->isEmpty()) {
    meters->first();
    if (Row::Meter::read(*meters).slot == 1)
      showMeterFields();
    else
      showMeterProposals(BaseStore::readMeter(*meters));
    for (; !meters->eof(); meters->next()) {
      const Row::Meter meter = Row::Meter::read(*meters);
      const qint64 slot = meter.slot;
      if (slot < 1 || slot > 8 || !meter.inUse) continue;
      slotBoxes[slot]->setChecked(true);
      showSlotCaption(static_cast<int>(slot));
    }
  }
  showEditor(opener, ui->serialNumberEdit);
}

void BaseEditor::openForNewBase(QWidget* opener) {
  fieldsLive_ = false;
  clearEditor();
  selection_.setSlot(1);
  showEditor(opener, ui->nominalVoltageEdit);
}

void BaseEditor::showEditor(QWidget* opener, QLineEdit* focusField) {
  setEnabled(true);
  centreOnScreen();
  showFor(opener);
  onActivated();
  focusField->setFocus(Qt::OtherFocusReason);
  fieldsLive_ = true;
}

void BaseEditor::onActivated() {
  dm_.testPoints->close();
  markCurrentSlot(selection_.slot());
  ui->baseNameLabel->setText(selection_.baseName());
  dm_.bases->reopen(Statements::baseByName(selection_.baseName()));
  showBaseNominals();
  showSlotStates();
}

void BaseEditor::closeEditor() { close(); }

void BaseEditor::closeEvent(QCloseEvent* event) {
  // While the archive browser is open for a take-over the editor waits for it.
  if (!isEnabled()) {
    event->ignore();
    return;
  }
  try {
    commitFocusedField();
  } catch (const std::exception& error) {
    event->ignore();  // stay open: what was typed is still in the field
    MessageService::reportHandlerError(error);
    return;
  }
  OpenedWindow::closeEvent(event);  // formClose, then the opener is enabled again
}

void BaseEditor::formClose() {
  fieldsLive_ = false;
  dm_.bases->reopen(Statements::allBases());
  if (workspace_) workspace_->buildBaseTree();
  selection_.clearChoice();
  if (workspace_) workspace_->showSelection();
}

// ---------------------------------------------------------------- shown state

void BaseEditor::clearEditor() {
  for (QLineEdit* field : dataEdits()) field->clear();
  for (int n = 1; n <= 8; ++n) showSlotUnused(n);
}

void BaseEditor::showSlotUnused(int n) {
  slotBoxes[n]->setChecked(false);
  slotBoxes[n]->setText(kNotInUse);
}

void BaseEditor::showSlotCaption(int n) {
  slotBoxes[n]->setText(slotBoxes[n]->isChecked() ? kInUse : kNotInUse);
}

void BaseEditor::resetSlotColours() {
  for (int n = 1; n <= 8; ++n) slotBoxes[n]->setCurrent(false);
}

void BaseEditor::markCurrentSlot(int n) {
  resetSlotColours();
  slotBoxes[n]->setCurrent(true);
  // The number always names the slot whose meter the fields show.
  ui->slotNumberLabel->setText(QStringLiteral("№ ") + QString::number(n));
}

void BaseEditor::showBaseNominals() {
  const BaseNominals nominals = BaseStore::readNominals(dm_);
  showNominal(ui->accuracyClassEdit, numberToText(nominals.klas));
  showNominal(ui->nominalCurrentEdit, numberToText(nominals.current));
  showNominal(ui->nominalVoltageEdit, numberToText(nominals.voltage));
  showNominal(ui->meterConstantEdit, numberToText(nominals.constant));
}

void BaseEditor::showNominal(QLineEdit* field, const QString& text) {
  field->setMaxLength(std::max(typingLimit_.value(field), int(text.size())));
  field->setText(text);
  shownNominal_[field] = text;
}

// The value to store for a nominal field: the stored one while the field
// still shows it as it was shown (a text such as "1E-6" reads back otherwise).
double BaseEditor::nominalValue(const QLineEdit* field, double stored) const {
  const auto shown = shownNominal_.constFind(field);
  if (shown != shownNominal_.cend() && field->text() == *shown) return stored;
  return textToNumber(field->text());
}

void BaseEditor::showSlotStates() {
  QueryDataset* meters = dm_.meters;
  meters->reopen(Statements::metersOfBase(selection_.baseName()));
  for (meters->first(); !meters->eof(); meters->next()) {
    const Row::Meter meter = Row::Meter::read(*meters);
    const qint64 slot = meter.slot;
    if (slot >= 1 && slot <= 8) slotBoxes[slot]->setChecked(meter.inUse);
  }
}

void BaseEditor::showMeterFields() {
  const MeterData meter = BaseStore::readMeter(*dm_.meters);
  showMeterProposals(meter);
  ui->serialNumberEdit->setText(meter.number);
  ui->yearEdit->setText(meter.year);
}

// Type, owner, maker and date: what a new meter of the base most likely shares.
void BaseEditor::showMeterProposals(const MeterData& meter) {
  ui->ownerEdit->setText(meter.user);
  ui->makerEdit->setText(meter.maker);
  ui->lastCheckDateEdit->setDate(meter.oldDate.isValid() ? meter.oldDate : kNoDate);
  ui->meterTypeEdit->setText(meter.type);
}

void BaseEditor::clearNumberAndYear() {
  ui->serialNumberEdit->clear();
  ui->yearEdit->clear();
}

void BaseEditor::switchSlot(int n) {
  if (n != selection_.slot()) {
    QueryDataset* meters = dm_.meters;
    meters->reopen(Statements::meterInSlot(selection_.baseName(), n));
    if (meters->isEmpty())
      clearNumberAndYear();
    else
      showMeterFields();
  }
  selection_.setSlot(n);
}

// ---------------------------------------------------------------- slot boxes

void BaseEditor::onSlotPressed(int slot, Qt::MouseButton button) {
  switchSlot(slot);
  markCurrentSlot(slot);
  wasInUse_ = button == Qt::LeftButton && slotBoxes[slot]->isChecked();
}

// The click has already toggled the box.
void BaseEditor::onSlotReleased(int slot) {
  SlotBox* box = slotBoxes[slot];
  showSlotCaption(slot);
  ui->slotNumberLabel->setText(QStringLiteral("№ ") + QString::number(slot));
  if (box->isChecked()) {
    if (allFieldsFilled()) {
      putSlotInUse();
    } else {
      MessageService::notice(this, kDataCaption, QStringLiteral("Необходимо заполноть все поля данных"));
      showSlotUnused(slot);
    }
  }
  if (wasInUse_ && !box->isChecked()) storeSlotMeter();
  if (dm_.chosenMeter->isOpen()) dm_.chosenMeter->refresh();
}

bool BaseEditor::currentSlotTicked() const { return slotBoxes[selection_.slot()]->isChecked(); }

void BaseEditor::untickCurrentSlot() { slotBoxes[selection_.slot()]->setChecked(false); }

bool BaseEditor::allFieldsFilled() const {
  if (!currentSlotTicked()) return true;
  const QList<QLineEdit*> fields = dataEdits();
  return std::none_of(fields.cbegin(), fields.cend(),
                      [](const QLineEdit* field) { return field->text().isEmpty(); });
}

MeterData BaseEditor::typedMeter() const {
  const QDate date = ui->lastCheckDateEdit->date();
  return {ui->serialNumberEdit->text(), ui->meterTypeEdit->text(), ui->yearEdit->text(),
          ui->ownerEdit->text(),        ui->makerEdit->text(),     date == kNoDate ? QDate() : date};
}

// ---------------------------------------------------------------- database actions

void BaseEditor::deleteSlotMeters() {
  BaseStore::deleteSlotMeters(dm_, selection_.baseName(), selection_.slot());
}

void BaseEditor::putSlotInUse() {
  if (!currentSlotTicked()) return;
  if (!BaseStore::putMeterInUse(dm_, selection_.baseName(), selection_.slot(), typedMeter())) {
    MessageService::notice(this, kDataCaption,
                           QStringLiteral("Cчетчик с такими номером и типом уже используется!"));
    showSlotUnused(selection_.slot());
  }
}

void BaseEditor::storeSlotMeter() {
  QString storedYear;
  const BaseStore::StoreResult result = BaseStore::storeMeterInUse(
      dm_, selection_.baseName(), selection_.slot(), currentSlotTicked(), typedMeter(), &storedYear);
  if (result == BaseStore::StoreResult::YearMissing) {
    // The meter keeps its year; the field shows it again instead of an empty text.
    ui->yearEdit->setText(storedYear);
    MessageService::notice(this, kDataCaption,
                           QStringLiteral("Не указан год выпуска счетчика. Сохранен прежний год выпуска."));
  }
}

void BaseEditor::storeNominals() {
  const BaseNominals stored = BaseStore::readNominals(dm_);
  BaseStore::storeNominals(dm_, {nominalValue(ui->nominalVoltageEdit, stored.voltage),
                                 nominalValue(ui->nominalCurrentEdit, stored.current),
                                 nominalValue(ui->meterConstantEdit, stored.constant),
                                 nominalValue(ui->accuracyClassEdit, stored.klas)});
  showBaseNominals();
}

void BaseEditor::takeFromArchive() {
  switchSlot(selection_.slot());
  dm_.archivedMeters->reopen(Statements::archivedMetersOfBase(selection_.baseName()));
  if (dm_.archivedMeters->isEmpty()) {
    MessageService::notice(
        this, QStringLiteral("Архив"),
        QStringLiteral("В архиве нет счетчиков из базы - ") + selection_.baseName() + QStringLiteral(" !"));
    return;
  }
  if (!openArchiveBrowser) throw std::runtime_error("Окно архива счетчиков недоступно.");
  openArchiveBrowser();
  setEnabled(false);
}

void BaseEditor::takeOverArchivedMeter(const QString& type, const QString& number, const QString& year) {
  setEnabled(true);
  ui->meterTypeEdit->setText(type);
  ui->serialNumberEdit->setText(number);
  ui->yearEdit->setText(year);
  deleteSlotMeters();
  showSlotUnused(selection_.slot());
  activateWindow();
}

// ---------------------------------------------------------------- nominal values

void BaseEditor::clampVoltage() {
  ui->nominalVoltageEdit->setText(clampedNominalText(ui->nominalVoltageEdit->text(), kVoltageBounds));
}

void BaseEditor::clampCurrent() {
  ui->nominalCurrentEdit->setText(clampedNominalText(ui->nominalCurrentEdit->text(), kCurrentBounds));
}

void BaseEditor::clampConstant() {
  ui->meterConstantEdit->setText(clampedNominalText(ui->meterConstantEdit->text(), kConstantBounds));
}

// ---------------------------------------------------------------- keys and leaving fields

bool BaseEditor::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyRelease:
      if (fieldKeyRelease(watched, static_cast<QKeyEvent*>(event))) return true;
      break;
    case QEvent::FocusOut: {
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      // A message box or the calendar taking the focus is not leaving the field.
      if (fieldsLive_ && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
        fieldExit(watched);
      break;
    }
    default:
      break;
  }
  return OpenedWindow::eventFilter(watched, event);  // key presses
}

// Enter in a nominal field bounds all three bounded values and goes no further.
// Esc has no duty here: it does not close the editor.
bool BaseEditor::controlKeyPress(QWidget* control, QKeyEvent* event) {
  const bool nominal = control == ui->nominalVoltageEdit || control == ui->nominalCurrentEdit ||
                       control == ui->meterConstantEdit;
  if (!nominal || !isEnterKey(event)) return false;
  clampVoltage();
  clampCurrent();
  clampConstant();
  return true;
}

// Releasing Enter in an edit moves on to the next field, leaving this one.
bool BaseEditor::fieldKeyRelease(QObject* field, QKeyEvent* event) {
  if (!isEnterKey(event) || event->isAutoRepeat() || !dataEdits().contains(qobject_cast<QLineEdit*>(field)))
    return false;
  focusNextPrevChild(true);
  return true;
}

void BaseEditor::fieldExit(QObject* field) {
  if (field == ui->nominalVoltageEdit)
    clampVoltage();
  else if (field == ui->nominalCurrentEdit)
    clampCurrent();
  else if (field == ui->meterConstantEdit)
    clampConstant();
  if (nominalEdits().contains(qobject_cast<QLineEdit*>(field))) {
    storeNominals();
  } else if (field == ui->yearEdit || field == ui->ownerEdit || field == ui->makerEdit ||
             field == ui->lastCheckDateEdit) {
    if (currentSlotTicked()) storeSlotMeter();
  }
}

// Closing with the focus still in a field stores that field as leaving it would.
void BaseEditor::commitFocusedField() {
  if (!fieldsLive_) return;
  QWidget* focused = focusWidget();
  if (focused && (ui->lastCheckDateEdit->isAncestorOf(focused) || focused == ui->lastCheckDateEdit))
    focused = ui->lastCheckDateEdit;
  if (focused) fieldExit(focused);
}
