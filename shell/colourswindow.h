// The display colours: swatch images, the two colour presets and saving the
// fourteen colour keys, and the Display Colours window with its own loop.
#pragma once
#include <cstdint>

constexpr int kColourRows = 14;
constexpr int kColoursWindow = 5;
// Numbered objects of row k (1..14): the control or image is base + k.
constexpr int kColourPickBase = 626;         // buttons 627 to 640: the colour requester
constexpr int kColourPresetBase = 640;       // buttons 641 to 654: " < set to default"
constexpr int kColourSwatchBase = 654;       // image controls 655 to 668
constexpr int kColourSwatchImageBase = 874;  // images 875 to 888
constexpr int kColourDarkModeButton = 669;   // "Set colours: dark mode (default)"

// Recreates swatch images 875 to 888 of width x height in each row's colour
// and shows them in swatch controls 655 to 668 where those exist.
void YRM_RefreshColourSwatches(int32_t width, int32_t height);
// Row k (1..14) colour global.
int& YRM_ColourRowValue(int k);
// Value row k (1..14) gets from its " < set to default" button.
int YRM_ColourRowDefault(int k);
// Value row k (1..14) gets from "Set colours: dark mode (default)".
int YRM_ColourRowDarkMode(int k);
// Writes all fourteen colour keys to "YRM_settings.txt", refreshes the
// swatches and asks for a full and a trace redraw.
void YRM_SaveColours();
// Opens window 5 with its controls; false (after the error box) when it
// cannot be opened.
bool YRM_OpenDisplayColoursWindow();
// One pass of the window's loop, waiting at most `ms` for an event; false
// once it closed.
bool YRM_DisplayColoursPass(int ms = 1);
// Menu item 59: opens the window and runs its loop until it closes.
void YRM_DisplayColoursWindow();
