#pragma once

#include <array>
#include <optional>

#include <QString>

// What the simulated instrument measures. Read from a scenario file of
// "key = value" lines ("#" starts a comment) and from --set key=value options.
struct SimScenario {
  enum class CurrentUnit { Auto, Amperes, Milliamperes };

  double nominalVoltage = 220;
  double nominalCurrent = 5;
  std::optional<std::array<double, 3>> voltage;  // per phase; the nominal value when not given
  std::optional<std::array<double, 3>> current;
  CurrentUnit currentUnit = CurrentUnit::Auto;  // Auto: milliamperes below 1 A
  double powerFactor = 0.866;
  int powerFactorDecimals = 3;  // digits after the point on the КМ screen
  double angle = 30;            // degrees, 0..360
  std::optional<double> power;  // W or var; the sum of U·I·PF when not given
  std::array<std::optional<double>, 8> errors = {0.12, -0.05, 0.31, -0.27, 0.08, -0.14, 0.22, -0.09};
  double noise = 0;       // relative amplitude on voltages, currents and power
  double errorNoise = 0;  // amplitude in percent on the meters' errors
  unsigned seed = 1;
  int refreshMs = 1000;  // how often the showing measurement screen is sent again

  double phaseVoltage(int phase) const { return voltage ? (*voltage)[phase] : nominalVoltage; }
  double phaseCurrent(int phase) const { return current ? (*current)[phase] : nominalCurrent; }
  double totalPower() const;
  bool showsMilliamperes() const;

  // Apply one setting; false with `error` for an unknown key or a bad value.
  bool set(const QString& key, const QString& value, QString& error);
  // Apply every setting of a scenario file; the error names the line.
  bool load(const QString& path, QString& error);
};
