#pragma once

// The computed energy of the "Старт"/"Стоп" count: the power read once at
// Start, added once per observed change of the clock's seconds field.
class EnergyCount {
 public:
  double powerValue = 0;  // power at Start divided by 3600: energy of one second
  double energyTotal = 0;
  int lastSecond = 0;
  bool energyStartPending = false;
  bool energyRunning = false;
  bool energyStop = false;

  bool active() const { return energyStartPending || energyRunning; }
  void start(double power, int second);
  void stop() { energyStop = true; }

  enum class Event { None, Started, Ticked, Stopped };
  // The per-turn clock check. Started and Stopped press "." on the instrument;
  // Ticked and Stopped add one second's energy.
  Event clockCheck(int second);

  // energyTotal rounded to hundredths, halves to even.
  double roundedEnergy() const;
};
