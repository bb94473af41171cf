// Shared state of the instrument link. Values touched by the poll thread and
// the GUI thread are atomic or guarded by linklock.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// The one lock of the link: device call sequences and the frame results.
inline std::mutex linklock;

// ---- connection ---------------------------------------------------------------
inline std::atomic<int> usbopen{0};            // 1 while the device is open
inline std::atomic<int> newframe{0};           // a good frame waits for the GUI
inline std::atomic<int64_t> lastgoodframe{0};  // ms clock of the last good frame
inline std::atomic<int64_t> lastrequest{0};    // ms clock of the last request
inline std::atomic<int64_t> lastframeread{0};  // ms clock of the last frame read, good or bad
inline std::atomic<int64_t> lastgoodread{0};   // ms clock of the last good frame read (not the opening)
inline std::atomic<int> rxpartial{0};          // bytes of an incomplete frame left waiting
// Sampling time of one frame at the settings the instrument holds, never more
// than it really takes (0 when unknown): no reply can be complete sooner. Set
// by every register burst that carries registers 10-12 (YRM_WriteRegisters).
inline std::atomic<int64_t> samplingms{0};
inline std::atomic<int> workerstop{0};  // the poll thread runs while 0
inline std::thread workerthread;
inline std::atomic<int> paramspending{0};  // applied settings must be sent

// ---- driver library and device (guarded by linklock) -----------------------
constexpr int kDriverLibrary = 979;  // the D2XX library's number
inline void* fthandle = nullptr;     // handle of the open device
// Out-parameter cells of the driver calls, reused by every call.
inline void* fthandleout = nullptr;
inline uint32_t ftdevicecount, ftrxbytes, fttxbytes, fteventdword, ftbytesread, ftbyteswritten, ftflags,
    fttype, ftid, ftlocid;
inline char ftserial[64], ftdescription[64];
inline uint16_t eeword;  // word read by FT_ReadEE

// ---- results of the last good frame (guarded by linklock) -------------------
inline int usbrailraw;        // USB supply in counts
inline int instrumentstatus;  // bit 0 button A, bit 1 button B
// The frame last taken by YRM_ConvertSamples (GUI thread only), so that the
// conversion, the buttons and the rail shown all come from one frame.
inline int takenusbrailraw, takeninstrumentstatus;

// ---- sampling of the applied settings (GUI thread) --------------------------
inline int pointcount, samplesperpoint, cyclesperframe;
inline int sourceohms;
inline float resistance50, resistance100, resistance200, resistance500, resistance1k, resistance2k,
    resistance5k, resistance10k;

// ---- calibration derived values (GUI thread) --------------------------------
// Voltage settings in mV that have their own amplitude and zero codes.
constexpr int kCalVoltageCount = 13;
constexpr std::array<int, kCalVoltageCount> kCalVoltages = {0,    200,  400,  600,   800,   1000, 2000,
                                                            3000, 4000, 5000, 10000, 15000, 20000};
inline std::array<int32_t, kCalVoltageCount> amplitudecode, zerocode;
inline float adc0gain, adc1gain;       // volts per count
inline float adc0offset, adc1offset;   // counts
inline float dcbiasscale, dcbiaszero;  // DC-bias code per volt, code of 0 V
// Both DC-bias codes of the calibration in force are numbers: only then are
// the DC generator's levels known. Without them it is kept off (HiZ).
inline bool dcbiascalibrated;
// The operator has been told that the DC generator stays off for want of its
// DC-bias codes; armed again by every calibration load and by Off (HiZ).
inline bool dcbiastold;

// ---- push buttons -------------------------------------------------------------
inline int buttonaevent, buttonbevent;
// Picture each push-button indicator shows, as last set here (0 = not yet):
// the image button cannot be asked which picture it shows.
inline int buttonashown, buttonbshown;

// ---- tables and buffers (allocated once at start-up) ---------------------
inline std::vector<int64_t> paramblock;                // 65537 registers
inline std::vector<int32_t> adc0samples, adc1samples;  // 129 each, guarded by linklock
inline std::vector<uint16_t> eepromwords;              // 65536 words
inline std::vector<uint8_t> txbuffer, rxbuffer;        // 16384 bytes each, under linklock

// Sets every start value of the link and allocates its tables.
void SetLinkStartValues();
