#pragma once

#include <QString>

// Selection state of the main window, shared with the other windows.
inline QString ChosenBaseName;      // base chosen in the tree; empty: none
inline int ChosenSlot = 1;          // slot 1..8 of the chosen meter; the base editor's current slot
inline int ChosenMeterNum = 0;      // master.Num of the chosen meter; 0: none
inline int MarkedPointCount = 0;    // test points of the chosen meter marked "R"
inline bool ActionsAllowed = true;  // false while a measurement is under way

// The port choice shared by the main window and the terminal window:
// false "Com1", true "Com2".
inline bool UseCom2 = false;
