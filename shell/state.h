// Shared state of the application shell: program identity, main-loop flags,
// the operator's settings, display colours and layout sizes.
#pragma once
#include <atomic>
#include <string>

// ---- program and model -----------------------------------------------------
inline std::string activeinstrument;    // running model
inline std::string selectedinstrument;  // model chosen in the Instrument menu
inline float softwareversion;           // 25.001

// ---- main loop --------------------------------------------------------------
inline std::atomic<int> quit{0};      // ends the main loop after this pass
inline int event;                     // last window event
inline int leftclick, rightclick;     // click flags for the main step
inline int relayoutrequest;           // a relayout is wanted
inline long long lastrelayout;        // calendar seconds of the last relayout
inline std::atomic<int> usbshown{1};  // connection state the indicator shows
inline int ALLSoundStatus;            // 1 when the sound system started
inline int requesterresult;           // answer of the last Yes/No box

// ---- settings (key table of the settings file) ---------------------------
inline int checkwebsiteforupdate;
inline int onlyltscheck;
inline std::string dateoflastupdatecheck;
inline int mainwindowx, mainwindowy, mainwindowwidth, mainwindowheight;
inline int colourscope1background, colourscope1outline, colourscope1graticule, colourscope1text,
    colourscopexcrosshair, colourscopextracelivesig, colourscopextracegoldensig, colourscopextracedutsig,
    colourbackground, colourpanel, colourpanelwindow, colourpaneltext, colourheader, colourheadertext;
inline std::string mode;  // "Basic", "Basic-Auto", "Advanced"
inline std::string displayview;
inline std::string testplanfilename;
inline std::string recentplan1, recentplan2, recentplan3, recentplan4, recentplan5, recentplan6, recentplan7,
    recentplan8;
inline std::string scope1graticulemode, scope1crosshairmode, scopexcrosshairmode, pcbcrosshairtype;
inline int horizontaldivisions, verticaldivisions;
inline int allowsignatureoverwrite;
inline std::string opencircuitdetectthreshold, stablesignaturedetectthreshold, stablesignaturedelay,
    goldenvslivethreshold;

// Result globals of the settings readers.
inline std::string keyvalue;
inline int settingint;
inline std::string settingstring;

// ---- named colours (0x00BBGGRR) -----------------------------------------
constexpr int colourwhite = 0xFFFFFF;
constexpr int colourred = 0x0000FF;
constexpr int colourblue = 0xFF0000;
constexpr int colourorange = 0x00A5FF;
constexpr int colourpink = 0xCBC0FF;
constexpr int colouryellow = 0x00FFFF;
constexpr int colourgold = 0x00D7FF;
constexpr int colouramber = 0x05AEFA;
constexpr int colourgreen = 0x00FF00;
constexpr int colourdarkgreen = 0x008800;
constexpr int colourindigo = 0x7F1236;
constexpr int colourgrey = 0x707C73;
constexpr int colourdarkgrey = 0x2E362E;
constexpr int colourblack = 0x000000;
constexpr int colourlightblue = 0xE6D8AD;

// ---- fixed numbers ---------------------------------------------------------
constexpr int kMainWindow = 1;

// Sets every shell start value (settings globals take their defaults).
void SetShellStartValues();

// ---- layout: grid, ribbon and panel sizes ---------------------------------
inline int ribbonx, ribbony, ribbonwidth, ribbonheight, ribbonmargin;
inline int scopemargin;  // main-scope image edge to plot box
inline int scope1width, scope1height;
inline int miniscope1width, miniscope1height, miniscope2width, miniscope2height, miniscope3width,
    miniscope3height, miniscope4width, miniscope4height, miniscope5width, miniscope5height, miniscope6width,
    miniscope6height, miniscope7width, miniscope7height, miniscope8width, miniscope8height, miniscope9width,
    miniscope9height;
inline int pcbviewwidth, pcbviewheight;
inline int cellrectx, cellrecty, cellrectwidth, cellrectheight;
inline float cellsize;  // grid cell, pixels (single precision)

// Panel visibility, written by the refresh, read by the panel hit test.
inline int scope1visible, miniscope1visible, miniscope2visible, miniscope3visible, miniscope4visible,
    miniscope5visible, miniscope6visible, miniscope7visible, miniscope8visible, miniscope9visible,
    pcbviewvisible, testtreevisible, badtreevisible;
// The mode and display view the refresh last applied ("" before the first).
inline std::string appliedmode, appliedview;
