// The simulated bench: the DAC's gain and offset error on the calibration
// output, and a SCPI multimeter on TCP port 5025 of a loopback address that
// measures the generator output. Set by sim.txt keys of their own.
#pragma once
#include <string>

namespace sim {

// One sim.txt key of the bench ("meter", "meternoise", "meterfault",
// "dacgain", "dacoffset"): false when the key is not one of them. A bad value
// leaves `error` set; only with `apply` does a good one take effect.
bool BenchKey(const std::string& key, const std::string& value, std::string& error, bool apply = true);
// Back to the defaults. The meter stops listening unless `keepMeter` (a
// re-read sim.txt: a connected program keeps its meter).
void ResetBench(bool keepMeter);
// Volts the DAC really puts out for a nominal level.
double DacError(double volts);

}  // namespace sim
