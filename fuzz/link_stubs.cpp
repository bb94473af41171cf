#include "fuzz/link_stubs.h"

#include <algorithm>
#include <cstring>

#include "link/d2xx.h"
#include "platform/clock.h"
#include "platform/faulthook.h"
#include "platform/gui.h"

namespace fuzzlink {
std::string queue;
size_t claimedExtra = 0;
std::string eeprom;
long writesLeft = -1;
}  // namespace fuzzlink

namespace d2xx {
FtStatus Read(FtHandle, void* buffer, uint32_t count, uint32_t* read) {
  size_t n = std::min<size_t>(count, fuzzlink::queue.size());
  std::memcpy(buffer, fuzzlink::queue.data(), n);
  fuzzlink::queue.erase(0, n);
  *read = static_cast<uint32_t>(n);
  return 0;
}
FtStatus GetStatus(FtHandle, uint32_t* rxbytes, uint32_t* txbytes, uint32_t* event) {
  *rxbytes = static_cast<uint32_t>(fuzzlink::queue.size() + fuzzlink::claimedExtra);
  *txbytes = 0;
  *event = 0;
  return 0;
}
FtStatus ReadEE(FtHandle, uint32_t address, uint16_t* value) {
  size_t at = 2 * (size_t(address) - 128);
  auto byte = [](size_t i) {
    return i < fuzzlink::eeprom.size() ? uint8_t(fuzzlink::eeprom[i]) : uint8_t(0);
  };
  *value = static_cast<uint16_t>(byte(at) | byte(at + 1) << 8);
  return 0;
}
FtStatus WriteEE(FtHandle, uint32_t address, uint16_t value) {
  if (fuzzlink::writesLeft == 0) return 4;
  if (fuzzlink::writesLeft > 0) --fuzzlink::writesLeft;
  const size_t at = 2 * (size_t(address) - 128);
  if (fuzzlink::eeprom.size() < at + 2) fuzzlink::eeprom.resize(at + 2, '\0');
  fuzzlink::eeprom[at] = static_cast<char>(value & 0xFF);
  fuzzlink::eeprom[at + 1] = static_cast<char>(value >> 8);
  return 0;
}
}  // namespace d2xx

namespace pf {
int64_t ElapsedMilliseconds() { return 1000; }
void SetGadgetText(int, const std::string&) {}
void WakeWindowEvent() {}
void PrepareFaultStack() {}
}  // namespace pf

void StopConnectionByWatchdog() {}
void YRM_PollInstrument(int) {}
