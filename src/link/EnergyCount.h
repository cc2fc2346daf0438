#pragma once

// The computed energy of the "Старт"/"Стоп" count: the power read once at
// Start, added once per observed change of the clock's seconds field.
class EnergyCount {
 public:
  double PowerValue = 0;  // power at Start divided by 3600: energy of one second
  double EnergyTotal = 0;
  int LastSecond = 0;
  bool EnergyStartPending = false;
  bool EnergyRunning = false;
  bool EnergyStop = false;

  bool active() const { return EnergyStartPending || EnergyRunning; }
  void start(double power, int second);
  void stop() { EnergyStop = true; }

  enum class Event { None, Started, Ticked, Stopped };
  // The per-turn clock check. Started and Stopped press "." on the instrument;
  // Ticked and Stopped add one second's energy.
  Event clockCheck(int second);

  // EnergyTotal rounded to hundredths, halves to even.
  double roundedEnergy() const;
};
