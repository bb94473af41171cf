// The run-state machine: test board, capture/edit, auto test, auto capture.
#pragma once

#include <string>

// Advances the current run state by one step (called once per main step).
void YRM_RunStateStep();
// Switches between the manual states and their automatic counterparts.
void YRM_ToggleAutoRun();
// Counts a stable signature must last, from the delay text; 5 when unknown.
int YRM_StableDelay(const std::string& text);
// Golden vs. live threshold in percent of full scale; 0 when unknown.
float YRM_GoldenVsLiveThreshold(const std::string& text);
