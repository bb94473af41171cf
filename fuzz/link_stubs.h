// The converter, clock and window as the link's fuzz targets see them: reads
// of the EEPROM and of the receive queue come from the fuzz input.
#pragma once
#include <cstdint>
#include <string>

namespace fuzzlink {
extern std::string queue;    // bytes waiting in the receive queue
extern size_t claimedExtra;  // GetStatus reports this many bytes more
extern std::string eeprom;   // bytes of EEPROM words 128 on, low byte first
extern long writesLeft;      // FT_WriteEE calls that still work; -1 = all
}  // namespace fuzzlink
