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
inline int runstate;              // 1 test board, 2 capture/edit, 3 auto test, 4 auto capture
inline int prevrunstate;          // run state of the previous step
inline int autoteststep, autocapturestep, autofreeze, autofreezestep;

// ---- records -------------------------------------------------------------
inline int currentrecord;         // current row of the test plan
inline int lastrecord;            // row whose settings were last taken

// ---- detection and comparison results -------------------------------------
inline int signaturestate, stablecount, flashcount;
inline float goldenlivediff;

// ---- test settings: chosen (by the operator or the record) and applied -----
inline float voltageset, resistanceset, frequencyset;   // mV peak, ohms, Hz
inline int scansigset, scancomset, dcmodeset;
inline float dclevelset;                                // volts
inline float voltage, resistance, frequency;
inline int scansig, scancom, dcmode;
inline float dclevel;
inline std::string resistancedirection;                // cycling direction

// ---- USB rail shown by the main step ---------------------------------------
inline float usbrail, usbrailshown;

// ---- signature arrays: points 1 to pointcount (64) are used -------------
using Signature = std::array<float, 129>;
inline Signature livev, livei, prevv, previ, snapv, snapi, goldenv, goldeni, dutv, duti,
    tracex, tracey, goldennormv, goldennormi, livenormv, livenormi;

// Sets every start value of this subsystem.
void SetTestingStartValues();
