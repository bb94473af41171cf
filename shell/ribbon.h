// The control ribbon: the fixed column of controls at the left edge of the
// main window (instrument status, generator, DC generator, scanner, test and
// edit controls).
#pragma once

// ---- container and section headers ------------------------------------------
constexpr int kRibbon = 249;
constexpr int kStatusHeader = 244;     // "Instrument Status"
constexpr int kGeneratorHeader = 564;  // "Signature Generator"
constexpr int kTestHeader = 551;       // "Test Controls"
constexpr int kEditHeader = 552;       // "Edit Controls"
// The DC and scanner headers have no number of the system's own; nothing
// refers to them after the ribbon is built. These two are ours.
constexpr int kDcHeader = 20001;
constexpr int kScannerHeader = 20002;

// ---- instrument status --------------------------------------------------------
constexpr int kConnectionImage = 252;  // connection indicator picture
constexpr int kUsbStatusText = 253;    // YRM-A and YRM-AP only

// ---- signature generator ---------------------------------------------------
constexpr int kVoltageCombo = 565;
constexpr int kVoltageUp = 567;
constexpr int kVoltageDown = 568;
constexpr int kResistanceCombo = 569;
constexpr int kResistanceUp = 571;
constexpr int kResistanceDown = 572;
constexpr int kFrequencyCombo = 573;
constexpr int kFrequencyUp = 575;
constexpr int kFrequencyDown = 576;
constexpr int kButtonAImage = 588;  // push-button A state
constexpr int kButtonBImage = 589;
constexpr int kButtonAFunctionCombo = 592;
constexpr int kButtonBFunctionCombo = 593;

// ---- DC generator and scanner (some models) --------------------------------
constexpr int kDcModeCombo = 578;
constexpr int kDcLevelCombo = 579;
constexpr int kScanSignalCombo = 580;
constexpr int kScanCommonCombo = 581;

// ---- test controls -------------------------------------------------------------
constexpr int kPreviousRecordButton = 599;     // "<"
constexpr int kNextRecordButton = 598;         // ">"
constexpr int kFreezeGoldenToggle = 596;       // same place as 599, compact modes
constexpr int kFreezeDutToggle = 597;          // same place as 598, compact modes
constexpr int kPreviousComponentButton = 601;  // "<<"
constexpr int kNextComponentButton = 600;      // ">>"
constexpr int kFirstRecordButton = 602;
constexpr int kLastRecordButton = 603;
constexpr int kAutoFreezeToggle = 582;         // same place as 602 and 603
constexpr int kSettingsFromRecordCheck = 607;  // "V/R/Hz"
constexpr int kResetTestButton = 613;
constexpr int kGoodPercentText = 615;
constexpr int kBadPercentText = 616;
constexpr int kGoodImage = 608;  // GOOD/CAPTURE
constexpr int kBadImage = 609;   // BAD
constexpr int kRunImage = 619;   // automatic run on and off

// ---- edit controls -------------------------------------------------------------
constexpr int kCaptureModeCheck = 606;   // "Edit/Capture signature"
constexpr int kEditRecordsButton = 618;  // "Edit/Add Records"

// Builds the ribbon for `activeinstrument` inside container 249 of window 1.
void YRM_CreateControlRibbon();
