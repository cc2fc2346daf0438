#pragma once

#include "link/InstrumentScreen.h"
#include "link/MeasuredValues.h"

// The two page indicators "1-4" and "5-8": a lit indicator means that page's
// meter errors have been read since the indicators were last reset.
struct PageIndicators {
  bool page14Lit = false;  // indicator of page 1-4 lit (L1off shows otherwise)
  bool page58Lit = false;  // indicator of page 5-8 lit
  bool ledArm = false;     // a page read now lights its own indicator
  bool pageLed14Saved = false;
  bool pageLed58Saved = false;
  bool pageLedsCleared = false;

  // After every received byte: remember and darken both, once per read, not
  // during a single save (the indicators then only accumulate).
  void clearPageLeds(bool saveOnceActive);
  // Darken both and forget the remembered states.
  void darken();

  bool operator==(const PageIndicators&) const = default;
};

// Copy the four meters' error fields of the page showing into `values`,
// light its indicator (when armed) and restore the other page's.
void readErrorPage(const InstrumentScreen& screen, bool errorPage14, bool errorPage58, PageIndicators& leds,
                   MeasuredValues& values);
