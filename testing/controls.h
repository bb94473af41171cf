// The handler of the main window's control events: test-signal settings, DC
// generator and scanner, freeze toggles, navigation and judging, the mode
// check box, the editor button and the result trees. The instrument's push
// buttons reach it too, with the control their function box names.
#pragma once
#include <array>

// Value lists, in the order of the combo boxes' items.
constexpr std::array<int, 10> kVoltageValues = {200, 400, 600, 800, 1000, 2000, 3000, 4000, 5000, 10000};
constexpr std::array<int, 7> kFrequencyValues = {10, 20, 50, 100, 200, 500, 1000};

// Controls reached only through the push buttons' function boxes.
constexpr int kCycleVoltage = 566;
constexpr int kCycleResistance = 570;
constexpr int kCycleFrequency = 574;
constexpr int kPushButtonFreeze = 610;  // "FREEZE": no action
constexpr int kPushButtonThaw = 611;    // "THAW": no action

// Performs the action of one control; a control without one is ignored.
void YRM_GadgetEvent(int control);

// True when the model in use has eight source resistances.
bool EightResistances();
