// Pictures and sounds loaded once while the main window is built.
#pragma once

// Images of the ribbon, result icons and run controls.
constexpr int kImageConnected = 837;
constexpr int kImageNoConnect = 838;
constexpr int kImageButtonAGrey = 839;
constexpr int kImageButtonAYellow = 840;
constexpr int kImageButtonBGrey = 841;
constexpr int kImageButtonBYellow = 842;
constexpr int kImageGood72 = 846;
constexpr int kImageGoodGrey72 = 847;
constexpr int kImageBad72 = 848;
constexpr int kImageBadGrey72 = 849;
constexpr int kImageNoSig72 = 850;
constexpr int kImageNoTest72 = 851;
constexpr int kImageUntested72 = 852;
constexpr int kImageGood23 = 853;
constexpr int kImageBad23 = 854;
constexpr int kImageNoSig23 = 855;
constexpr int kImageNoTest23 = 856;
constexpr int kImageUntested23 = 857;
constexpr int kImageBlock23 = 858;
constexpr int kImageSingleCaptureGreen = 859;
constexpr int kImageSingleCaptureGrey = 860;
constexpr int kImageAutoCaptureYellow = 861;
constexpr int kImageCaptureInProgress = 862;
constexpr int kImageAutoTestYellow = 863;
constexpr int kImageTestInProgress = 864;

// Sounds.
constexpr int kSoundCapture = 893;
constexpr int kSoundComplete = 894;
constexpr int kSoundGood = 895;
constexpr int kSoundBad = 896;

// Fonts.
constexpr int kFontPercent = 976;
constexpr int kFontUsbStatus = 977;
constexpr int kFontHeader = 978;

void YRM_LoadGraphics();
void YRM_LoadSounds();
// Plays a sound when it is loaded; silent otherwise.
void PlaySoundIfLoaded(int sound);
