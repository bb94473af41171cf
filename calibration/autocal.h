// The automatic calibration sequence: 41 steps against the multimeter,
// driven by the calibration window's loop.
#pragma once

// Go!/Stop!: starts a run at step 1 (only with a multimeter connection) or
// stops the running one where it is.
void YRM_CalibrationGo();
// Runs the due step, or shows the time left; every pass of the window's loop.
void YRM_CalibrationTimer();
// Ms from now (1 to `longest`) until the timer would change something: the
// next step falls due or the countdown shown would read otherwise. `longest`
// while idle.
int CalibrationTimerWait(int longest);
// New working codes from the two-point lines through the measurements; false
// (codes untouched) when a pair of readings is equal or a code would lie
// outside the DAC's 16-bit range.
bool YRM_CalibrationCalculate();
// Change of the 0 V code for a zeroing reading in volts.
int ZeroingChange(double volts);
