// The whole program in a fresh working folder, with the built graphics and
// sounds and the simulated instrument as its driver library ("sim.txt" puts a
// 1 kohm resistor under the probe). For end-to-end tests; the build folder
// comes from the environment variable YRM_BUILD_DIR that CTest sets.
#pragma once
#include <functional>

#include "workfolder.h"

namespace yrmtest {

class SimulatedProgram : public WorkFolder {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Start-up without its one-second pause.
  void Start();
  // Runs main-loop passes until `done` holds, at most `seconds`.
  static bool PumpUntil(const std::function<bool()>& done, double seconds = 10);
  static void Pump(double seconds) {
    PumpUntil([] { return false; }, seconds);
  }
};

}  // namespace yrmtest
