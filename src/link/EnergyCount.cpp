#include "link/EnergyCount.h"

#include "settings/NumericText.h"

void EnergyCount::start(double power, int second) {
  EnergyTotal = 0;
  PowerValue = power / 3600;
  LastSecond = second;
  EnergyStartPending = true;
  EnergyStop = false;
}

EnergyCount::Event EnergyCount::clockCheck(int second) {
  if (!active() || second == LastSecond) return Event::None;
  LastSecond = second;
  if (EnergyStartPending) {
    EnergyRunning = true;
    EnergyStartPending = false;
    return Event::Started;
  }
  Event event = Event::Ticked;
  if (EnergyStop) {
    EnergyRunning = false;
    event = Event::Stopped;
  }
  EnergyTotal += PowerValue;
  return event;
}

// Rounded in floating point: a long count of a large power stays correct
// where a 32-bit hundredths counter would overflow.
double EnergyCount::roundedEnergy() const { return roundHalfEven(EnergyTotal * 100) / 100; }
