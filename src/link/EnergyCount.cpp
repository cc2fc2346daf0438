#include "link/EnergyCount.h"

#include "settings/NumericText.h"

void EnergyCount::start(double power, int second) {
  energyTotal = 0;
  powerValue = power / 3600;
  lastSecond = second;
  energyStartPending = true;
  energyStop = false;
}

EnergyCount::Event EnergyCount::clockCheck(int second) {
  if (!active() || second == lastSecond) return Event::None;
  lastSecond = second;
  if (energyStartPending) {
    energyRunning = true;
    energyStartPending = false;
    return Event::Started;
  }
  Event event = Event::Ticked;
  if (energyStop) {
    energyRunning = false;
    event = Event::Stopped;
  }
  energyTotal += powerValue;
  return event;
}

// Rounded in floating point: a long count of a large power stays correct
// where a 32-bit hundredths counter would overflow.
double EnergyCount::roundedEnergy() const { return roundHalfEven(energyTotal * 100) / 100; }
