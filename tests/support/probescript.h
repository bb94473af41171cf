// The probe script of sim.txt (`probe=` and `probeperiod=` lines) as steps,
// for the tests that check a documented or shipped script plays as meant.
#pragma once
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace yrmtest {

// From `ms` after the device opened, `shows` is under the probe.
struct ProbeStep {
  int64_t ms = 0;
  std::string shows;
  int64_t heldMs =
      0;  // until the next step or the end of the period; the last of a script without one, for good
};

// The steps of the first `probe=` line of some sim.txt lines, in order.
inline std::vector<ProbeStep> ProbeSteps(const std::string& simLines) {
  std::vector<ProbeStep> steps;
  int64_t period = 0;
  std::istringstream lines(simLines);
  std::string line;
  while (std::getline(lines, line)) {
    const std::string text = line.substr(0, line.find('#'));
    if (text.rfind("probeperiod=", 0) == 0) period = std::stoll(text.substr(12));
    if (text.rfind("probe=", 0) != 0 || !steps.empty()) continue;
    std::istringstream items(text.substr(6));
    std::string item;
    while (std::getline(items, item, ';')) {
      std::istringstream words(item);
      ProbeStep s;
      words >> s.ms >> std::ws;
      std::getline(words, s.shows);
      while (!s.shows.empty() && s.shows.back() == ' ') s.shows.pop_back();
      steps.push_back(s);
    }
  }
  for (size_t k = 0; k < steps.size(); ++k) {
    const bool last = k + 1 == steps.size();
    steps[k].heldMs = last && period == 0 ? INT64_MAX : (last ? period : steps[k + 1].ms) - steps[k].ms;
  }
  return steps;
}

// Long enough under the probe for the default stable-signature delay: 10
// stable frames at 4 frames a second, after the first frame that shows it.
constexpr int64_t kHeldForCaptureMs = 3500;

}  // namespace yrmtest
