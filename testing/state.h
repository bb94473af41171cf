// Shared state of signature testing: redraw requests, run states, the current
// record, the chosen and applied test settings and the signature arrays.
#pragma once
#include <array>
#include <atomic>
#include <string>

// ---- requests handled by the main step ---------------------------------
inline std::atomic<int> fullredraw{1};   // redraw every display, then the traces
inline std::atomic<int> traceredraw{0};  // redraw the traces only (also set by the poll thread)

// ---- run states --------------------------------------------------------------
inline int runstate;      // one of kRunTestBoard .. kRunAutoCapture
inline int prevrunstate;  // run state of the previous step
constexpr int kRunTestBoard = 1;
constexpr int kRunCaptureEdit = 2;
constexpr int kRunAutoTest = 3;
constexpr int kRunAutoCapture = 4;
inline int autoteststep, autocapturestep, autofreeze, autofreezestep;

// ---- records -------------------------------------------------------------
inline int currentrecord;  // current row of the test plan
inline int lastrecord;     // row whose settings were last taken

// ---- detection and comparison results -------------------------------------
inline int signaturestate, stablecount, flashcount;
// signaturestate: the live signature's classification
constexpr int kSignatureOpen = 0;  // open circuit: no current flows
constexpr int kSignatureStable = 1;
constexpr int kSignatureUnstable = 2;
// The two signatures a record keeps (the slot of YRM_StoreSignatureInRecord).
constexpr int kSlotGolden = 0;
constexpr int kSlotDut = 1;
inline float goldenlivediff;

// ---- test settings: chosen (by the operator or the record) and applied -----
inline float voltageset, resistanceset, frequencyset;  // mV peak, ohms, Hz
inline int scansigset, scancomset, dcmodeset;
inline float dclevelset;  // volts
inline float voltage, resistance, frequency;
inline int scansig, scancom, dcmode;
inline float dclevel;
inline std::string resistancedirection;  // cycling direction

// ---- USB rail shown by the main step ---------------------------------------
inline float usbrail, usbrailshown;

// ---- signature arrays: points 1 to pointcount (64) are used -------------
using Signature = std::array<float, 129>;
inline Signature livev, livei, prevv, previ, snapv, snapi, goldenv, goldeni, dutv, duti, tracex, tracey,
    goldennormv, goldennormi, livenormv, livenormi;

// ---- display: main-scope drawing settings, filled by the label builder ------
inline int drawbackgroundcolour, drawoutlinecolour, drawgraticulecolour, drawtextcolour, drawlefttextcolour,
    drawrighttextcolour, drawcrosshaircolour;
inline std::string graticulemode, crosshairmode;  // "On"/"Off"; "On"/"Classic"/"Off"
inline int drawverticaldivisions, drawhorizontaldivisions;
inline int graticuledotlength, graticuledotgap, scopelabeloffset;
inline std::string scopelabel1, scopelabel2, scopelabel3, scopelabel4, scopelabel5, scopelabel6, scopelabel7,
    scopelabel8, scopelabel9, scopelabel10, scopelabel11,
    scopelabel12;                   // texts of the twelve label places
inline std::string scopelabelmask;  // "1" enables the tick of a place

// ---- display: board view --------------------------------------------------
// Part of the photo the last board view showed, in photo pixels, and the
// photo's size; the click mappings turn mouse positions into photo pixels.
inline int imagewindowleft, imagewindowright, imagewindowtop, imagewindowbottom;
inline int pcbimagewidth, pcbimageheight;
// 1 while the last board view drew the photo (or its pins while it decodes),
// so the window above maps clicks; 0 after a photo that could not be loaded.
inline int imagewindowshown;
inline int pcbshowall;  // 1: the whole photo, not the record's view

// Sets every start value of this subsystem.
void SetTestingStartValues();
