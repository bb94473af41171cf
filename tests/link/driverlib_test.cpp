// The driver library loader: functions found by name at the moment of the call.
#include <gtest/gtest.h>

#include "linkfixture.h"

namespace {

class DriverLibrary : public linktest::LinkTest {};

TEST_F(DriverLibrary, MissingFunctionIsNotCalledAndYieldsZero) {
  uint32_t count = 77;
  EXPECT_EQ(pf::CallLibraryFunction<FtCreateDeviceInfoListFn>(kDriverLibrary, "FT_NoSuchCall", &count), 0u);
  EXPECT_EQ(count, 77u);
  EXPECT_EQ(
      pf::CallLibraryFunction<FtCreateDeviceInfoListFn>(kDriverLibrary, "FT_CreateDeviceInfoList", &count),
      0u);
  EXPECT_EQ(count, 1u);
  // A library number never loaded: nothing is called either.
  EXPECT_EQ(pf::CallLibraryFunction<FtCreateDeviceInfoListFn>(kDriverLibrary + 1, "FT_CreateDeviceInfoList",
                                                              &count),
            0u);
}

// A function is looked up by name once per load of the library: a function
// that goes missing later is still called through the address found, and the
// next load (each device opening) looks again.
TEST_F(DriverLibrary, FunctionsAreFoundOncePerLoad) {
  void* found = pf::LibraryFunction(kDriverLibrary, "FT_ReadEE");
  ASSERT_NE(found, nullptr);
  Configure("missing=FT_ReadEE, FT_WriteEE");
  EXPECT_EQ(pf::LibraryFunction(kDriverLibrary, "FT_ReadEE"), found);
  EXPECT_EQ(pf::LibraryFunction(kDriverLibrary, "FT_WriteEE"), nullptr);  // first asked now
  Open();
  EXPECT_EQ(pf::LibraryFunction(kDriverLibrary, "FT_ReadEE"), nullptr);
  uint16_t word = 77;
  EXPECT_EQ(d2xx::ReadEE(fthandle, 1, &word), 0u);
  EXPECT_EQ(word, 77);
  Configure("missing=");
  YRM_CloseUsbPort();
  Open();
  EXPECT_EQ(pf::LibraryFunction(kDriverLibrary, "FT_ReadEE"), found);
  EXPECT_EQ(d2xx::ReadEE(fthandle, 1, &word), 0u);
  EXPECT_EQ(word, 0x0403);
}

TEST_F(DriverLibrary, StatusOfAClosedHandleIsAnError) {
  Open();
  void* handle = fthandle;
  YRM_CloseUsbPort();
  uint32_t rx = 5, tx = 0, ev = 0;
  EXPECT_NE(d2xx::GetStatus(handle, &rx, &tx, &ev), 0u);
  EXPECT_EQ(simctl::Counter("closes"), 1);
  YRM_CloseUsbPort();  // a second close does not reach the driver
  EXPECT_EQ(simctl::Counter("closes"), 1);
}

}  // namespace
