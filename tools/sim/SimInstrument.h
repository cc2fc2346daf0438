#pragma once

#include <cstdint>
#include <random>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "SimScenario.h"
#include "SimScreens.h"

// The simulated ВТ3417: its main menu, the programming dialogues, the
// measurement screens and the error pages, worked by the key codes the
// program sends. Every answer is the bytes the instrument sends back.
class SimInstrument {
 public:
  explicit SimInstrument(const SimScenario& scenario);

  // A key arrived; returns what the instrument sends in reply.
  QByteArray key(uint8_t key);
  // The showing measurement screen again with fresh readings (empty when
  // the instrument is not connected or shows a menu or dialogue).
  QByteArray refresh();
  // The terminal went away without saying goodbye.
  void disconnect() { remote_ = false; }
  bool remote() const { return remote_; }
  // Lines for the operator's log (programmed modes, keys not understood).
  QStringList takeLog();

 private:
  enum class Screen { MainMenu, Dialog, Voltage, Current, PowerFactor, Power, Errors14, Errors58 };
  enum class Step { Kind, Scheme, Voltage, Current, Divisions, Time, Constant };

  QByteArray show(Screen screen);
  QByteArray draw();
  QByteArray measuringKey(uint8_t key);
  QByteArray menuKey(uint8_t key);
  QByteArray dialogKey(uint8_t key);
  QByteArray echo(int row, int column, char ch);
  QByteArray eraseEntry(int row, int column);
  QByteArray confirmStep();
  QByteArray startDialog(int mode);
  void finishProgramming();
  bool isMeasuring() const { return screen_ != Screen::MainMenu && screen_ != Screen::Dialog; }
  double vary(double value);

  const SimScenario& scenario_;
  std::mt19937 random_;
  bool remote_ = false;
  Screen screen_ = Screen::MainMenu;
  QChar menuChoice_ = u' ';

  // Programming dialogue and the mode it set up.
  int dialogMode_ = 0;  // 1 power, 2 energy, 3 error
  QList<Step> steps_;
  QString entry_;
  QStringList answers_;
  bool reactive_ = false;
  int scheme_ = 1;
  bool counting_ = false;  // "." marks the start and end of an energy count
  QStringList log_;
};
