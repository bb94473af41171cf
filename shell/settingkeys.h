// The settings file and the name of every key in it.
#pragma once
#include <string>

inline constexpr const char* kSettingsFile = "YRM_settings.txt";

inline constexpr const char* kKeyActiveInstrument = "ActiveInstrument";
inline constexpr const char* kKeyCheckWebsiteForUpdate = "CheckWebsiteForUpdate";
inline constexpr const char* kKeyOnlyLtsCheck = "OnlyLTSCheck";
inline constexpr const char* kKeyDateOfLastUpdateCheck = "DateOfLastUpdateCheck";
inline constexpr const char* kKeyMainWindowX = "MainWindowX";
inline constexpr const char* kKeyMainWindowY = "MainWindowY";
inline constexpr const char* kKeyMainWindowWidth = "MainWindowWidth";
inline constexpr const char* kKeyMainWindowHeight = "MainWindowHeight";

inline constexpr const char* kKeyColourScope1Background = "YRM_ColourScope1Background";
inline constexpr const char* kKeyColourScope1Outline = "YRM_ColourScope1Outline";
inline constexpr const char* kKeyColourScope1Graticule = "YRM_ColourScope1Graticule";
inline constexpr const char* kKeyColourScope1Text = "YRM_ColourScope1Text";
inline constexpr const char* kKeyColourScopeXCrosshair = "YRM_ColourScopeXCrosshair";
inline constexpr const char* kKeyColourScopeXTraceLiveSig = "YRM_ColourScopeXTraceLiveSig";
inline constexpr const char* kKeyColourScopeXTraceGoldenSig = "YRM_ColourScopeXTraceGoldenSig";
inline constexpr const char* kKeyColourScopeXTraceDutSig = "YRM_ColourScopeXTraceDUTSig";
inline constexpr const char* kKeyColourBackground = "YRM_ColourBackground";
inline constexpr const char* kKeyColourPanel = "YRM_ColourPanel";
inline constexpr const char* kKeyColourPanelWindow = "YRM_ColourPanelWindow";
inline constexpr const char* kKeyColourPanelText = "YRM_ColourPanelText";
inline constexpr const char* kKeyColourHeader = "YRM_ColourHeader";
inline constexpr const char* kKeyColourHeaderText = "YRM_ColourHeaderText";

inline constexpr const char* kKeyMode = "YRM_Mode";
inline constexpr const char* kKeyDisplayView = "YRM_DisplayView";
inline constexpr const char* kKeyTestPlanFileName = "YRM_TestPlanFileName";
inline constexpr const char* kKeyScope1GraticuleMode = "YRM_Scope1GraticuleMode";
inline constexpr const char* kKeyScope1CrosshairMode = "YRM_Scope1CrosshairMode";
inline constexpr const char* kKeyScopeXCrosshairMode = "YRM_ScopeXCrosshairMode";
inline constexpr const char* kKeyPcbCrosshairType = "YRM_PCBCrosshairType";
inline constexpr const char* kKeyScope1HorizontalDivisions = "YRM_Scope1HorizontalDivisions";
inline constexpr const char* kKeyScope1VerticalDivisions = "YRM_Scope1VerticalDivisions";
inline constexpr const char* kKeyAllowSignatureOverwrite = "YRM_AllowSignatureOverwrite";
inline constexpr const char* kKeyOpenCircuitDetectThreshold = "YRM_OpenCircuitDetectThreshold";
inline constexpr const char* kKeyStableSignatureDetectThreshold = "YRM_StableSignatureDetectThreshold";
inline constexpr const char* kKeySignatureCaptureDelay = "YRM_SignatureCaptureDelay";
inline constexpr const char* kKeyGoldenVsLiveThreshold = "YRM_GoldenVsLiveThreshold";
// The calibration window's multimeter: the address last connected.
inline constexpr const char* kKeyDmmAddress = "YRM_DMMAddress";

// The key of recent plan slot 1 to 8.
inline std::string RecentPlanKey(int slot) { return "YRM_TestPlanFileNameRecent" + std::to_string(slot); }
