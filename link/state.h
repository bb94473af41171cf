// Shared state of the instrument link. Values touched by the poll thread and
// the GUI thread are atomic or guarded by linklock.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// The one lock of the link: device call sequences and the frame results.
inline std::mutex linklock;

// ---- connection ---------------------------------------------------------------
inline std::atomic<int> usbopen{0};           // 1 while the device is open
inline std::atomic<int> newframe{0};          // a good frame waits for the GUI
inline std::atomic<int64_t> lastgoodframe{0}; // ms clock of the last good frame
inline std::atomic<int64_t> lastrequest{0};   // ms clock of the last request
inline std::atomic<int> workerstop{0};        // the poll thread runs while 0
inline std::thread workerthread;
inline std::atomic<int> paramspending{0};     // applied settings must be sent

// ---- sampling of the applied settings ------------------------------------
inline int pointcount, samplesperpoint, cyclesperframe;
inline int sourceohms;
inline float resistance50, resistance100, resistance200, resistance500, resistance1k,
    resistance2k, resistance5k, resistance10k;

// ---- push buttons -------------------------------------------------------------
inline int buttonaevent, buttonbevent;

// ---- tables and buffers (allocated once at start-up) ---------------------
inline std::vector<int64_t> paramblock;       // 65537 registers
inline std::vector<int32_t> adc0samples, adc1samples;   // 129 each, guarded by linklock
inline std::vector<uint16_t> eepromwords;     // 65536 words
inline std::vector<uint8_t> txbuffer, rxbuffer;         // 16384 bytes each

// Sets every start value of the link and allocates its tables.
void SetLinkStartValues();
