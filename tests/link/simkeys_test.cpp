// sim/README.md against the simulator's own table of sim.txt keys: every key
// it reads is shown there, every line shown reads, and the probe example
// holds each component long enough to be captured.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "linkfixture.h"
#include "probescript.h"

namespace {
// The lines of the example in the README's sim.txt section, comments and
// blanks left out.
std::vector<std::string> ExampleLines() {
  const std::string readme = yrmtest::Slurp(yrmtest::SourceDir() + "/sim/README.md");
  const size_t section = readme.find("## Configuration: `sim.txt`");
  const size_t open = readme.find("```\n", section);
  const size_t close = readme.find("```\n", open + 4);
  std::vector<std::string> lines;
  if (section == std::string::npos || open == std::string::npos || close == std::string::npos) return lines;
  std::istringstream in(readme.substr(open + 4, close - open - 4));
  std::string line;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    while (!line.empty() && line.back() == ' ') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

std::string KeyOf(const std::string& line) { return line.substr(0, line.find('=')); }

std::vector<std::string> TableKeys() {
  std::vector<std::string> keys;
  auto name = simctl::Find<const char* (*)(int)>("SIM_KeyName");
  for (int k = 0; name && name(k); ++k) keys.push_back(name(k));
  return keys;
}

// A prefix key ("channel", "cal.") stands for the keys that begin with it.
bool Names(const std::string& tableKey, const std::string& key) {
  const bool prefix = tableKey == "channel" || tableKey.back() == '.';
  return prefix ? key.size() > tableKey.size() && key.rfind(tableKey, 0) == 0 : key == tableKey;
}

class SimReadme : public linktest::LinkTest {};
}  // namespace

TEST_F(SimReadme, ShowsEveryKeyAndNoOther) {
  const auto lines = ExampleLines();
  const auto keys = TableKeys();
  ASSERT_GE(lines.size(), 10u) << "no sim.txt example in sim/README.md";
  ASSERT_GE(keys.size(), 10u) << "the simulator lists no keys";
  for (const std::string& k : keys) {
    bool shown = false;
    for (const std::string& l : lines) shown = shown || Names(k, KeyOf(l));
    EXPECT_TRUE(shown) << "sim/README.md does not show the key " << k;
  }
  for (const std::string& l : lines) {
    bool known = false;
    for (const std::string& k : keys) known = known || Names(k, KeyOf(l));
    EXPECT_TRUE(known) << "sim/README.md shows a key the simulator does not read: " << l;
  }
}

TEST_F(SimReadme, EveryExampleLineReads) {
  for (std::string line : ExampleLines()) {
    // The meter listens on an address of this test's own.
    if (KeyOf(line) == "meter") line = "meter=" + linktest::MeterAddress(4);
    simctl::Reset();
    EXPECT_EQ(simctl::Configure(line), "") << line;
  }
  simctl::Reset();
}

TEST_F(SimReadme, ProbeExampleHoldsEachComponentForACapture) {
  std::string probe;
  for (const std::string& l : ExampleLines())
    if (KeyOf(l) == "probe" || KeyOf(l) == "probeperiod") probe += l + "\n";
  const auto steps = yrmtest::ProbeSteps(probe);
  ASSERT_GE(steps.size(), 2u);
  int components = 0;
  for (const auto& s : steps) {
    if (s.shows == "open") continue;
    ++components;
    EXPECT_GE(s.heldMs, yrmtest::kHeldForCaptureMs) << s.shows;
  }
  EXPECT_GE(components, 2);
}
