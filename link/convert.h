// Sample conversion into the live signature, the push buttons and the USB rail.
#pragma once

constexpr float kUsbRailVoltsPerCount = 0.0016121270600706339f;

// Takes the last good frame under linklock and fills livev/livei. GUI thread.
void YRM_ConvertSamples();
// Shows the push-button pictures of the frame taken by YRM_ConvertSamples
// and raises one event per press. GUI thread.
void YRM_UpdateButtonIndicators();
// USB rail of the frame taken by YRM_ConvertSamples, in volts.
float TakenUsbRailVolts();
// The rail part of the main step's new-frame phase: usbrail, usbrailshown
// (moves only by more than 0.01 V) and the status text "USB rail: 5.00V".
void ShowUsbRail();
