// A plan of `pins` pins in components of eight ("U1" pins 1-8, "U2"...), each
// with a golden signature and Untested: the shape of a board an automatic
// test walks, for the trees' tests and the plan benchmark alike.
#pragma once
#include <string>

#include "testing/records.h"
#include "testing/state.h"

namespace yrmtest {
inline void ComponentsPlan(int pins) {
  records = RecordTable(1 + pins, kPlanFields);
  for (int r = 2; r <= pins + 1; ++r) {
    records.SetField(r, kFieldComponent, "U" + std::to_string((r - 2) / 8 + 1));
    records.SetField(r, kFieldPin, std::to_string((r - 2) % 8 + 1));
    records.SetField(r, kFieldResult, "Untested");
    records.SetField(r, kFieldGolden, "Yes");
  }
}
}  // namespace yrmtest
