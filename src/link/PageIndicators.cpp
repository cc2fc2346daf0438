#include "link/PageIndicators.h"

namespace {

// Meters of a page in the order of their fields: row 1 left, row 1 right,
// row 2 left, row 2 right (meters 1, 3, 2, 4 of page 1-4).
void copyMeterFields(const InstrumentScreen& screen, int firstMeter, MeasuredValues& values) {
  struct Field {
    int row, first, last, meterOffset;
  };
  constexpr Field fields[] = {{1, 0, 8, 0}, {1, 9, 15, 2}, {2, 0, 8, 1}, {2, 9, 15, 3}};
  for (const Field& field : fields) {
    values.meterErrorText[firstMeter + field.meterOffset] =
        shortText(screen.text(field.row, field.first, field.last), MeasuredValues::TextWidth);
  }
}

}  // namespace

void PageIndicators::clearPageLeds(bool saveOnceActive) {
  if (saveOnceActive || pageLedsCleared) return;
  pageLed14Saved = page14Lit;
  pageLed58Saved = page58Lit;
  page14Lit = page58Lit = false;
  pageLedsCleared = true;
}

void PageIndicators::darken() {
  page14Lit = page58Lit = false;
  pageLed14Saved = pageLed58Saved = false;
}

void readErrorPage(const InstrumentScreen& screen, bool errorPage14, bool errorPage58, PageIndicators& leds,
                   MeasuredValues& values) {
  leds.pageLedsCleared = false;
  if (errorPage14) {
    if (leds.ledArm) leds.page14Lit = true;
    leds.ledArm = true;
    copyMeterFields(screen, 0, values);
    if (leds.pageLed58Saved) leds.page58Lit = true;
  }
  if (errorPage58) {
    if (leds.ledArm) leds.page58Lit = true;
    leds.ledArm = true;
    copyMeterFields(screen, 4, values);
    if (leds.pageLed14Saved) leds.page14Lit = true;
  }
}
