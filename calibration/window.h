// The calibration window (548): manual steps, the multimeter row and the
// automatic sequence's controls, with its own event loop.
#pragma once
#include <string>

// Menu item 58: opens the window and runs its loop until it closes; the
// link is stopped on the way out.
void YRM_CalibrationWindow();
// Opens and fills the window; false (after its message) when it cannot open
// or no instrument is connected.
bool YRM_OpenCalibrationWindow();
// One pass of the window's loop, waiting at most `ms` for an event; false
// once it closed.
bool YRM_CalibrationPass(int ms = 1);
// How long the loop may wait before its next pass, in ms, at most `longest`:
// 0 while a frame waits to be shown, else the time until a pass would change
// something (the automatic sequence's step or countdown, a request, a frame
// that can be complete). Events and the poll thread's wake-up end it sooner.
int CalibrationLoopWait(int longest);
// Store Calibration Values (502): the file, then the EEPROM, from the values
// calibrated in the window or read when it opened. False, after its
// message, when the instrument was not given the new calibration.
bool YRM_StoreCalibration();
// A press of control (or reading action) `g` of the window.
void YRM_CalibrationAction(int g);
// Adds `step` to the working code of `row` (a CalRow), puts it on the
// output and shows it, as the row's adjust buttons do.
void AdjustWorkingCode(int row, int step);
// A box titled "Error" (OK only) of the window itself, whose loss of focus
// must not close the window.
void CalibrationErrorBox(const std::string& text);
