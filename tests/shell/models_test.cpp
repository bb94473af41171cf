#include "shell/models.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "shell/menu.h"
#include "shell/state.h"

// A row the next model is added with must be whole: a menu item of the
// Instrument menu's range used once, combo texts for every resistance, and
// the calibration step for the bias rows of a model with a DC generator.
TEST(ModelTableTest, EveryRowIsComplete) {
  std::set<std::string> names;
  std::set<int> items;
  for (const InstrumentModel& m : InstrumentModels()) {
    EXPECT_TRUE(names.insert(m.name).second) << m.name;
    if (m.menuItem) {
      EXPECT_TRUE(items.insert(m.menuItem).second) << m.name;
      EXPECT_GE(m.menuItem, kItemModelA) << m.name;
      EXPECT_LE(m.menuItem, kItemModelD) << m.name;
    }
    EXPECT_FALSE(m.products.empty()) << m.name;
    EXPECT_EQ(m.resistances.size(), m.resistanceItems.size()) << m.name;
    EXPECT_NE(m.calConnect, nullptr) << m.name;
    EXPECT_EQ(m.calBiasConnect != nullptr, m.dcGenerator) << m.name;
  }
  EXPECT_NE(FindModel(kDefaultModel), nullptr);
}

TEST(ModelTableTest, UnknownNameRunsWithoutExtras) {
  activeinstrument = "YRM-E";
  const InstrumentModel& m = ActiveModel();
  EXPECT_EQ(FindModel("YRM-E"), nullptr);
  EXPECT_FALSE(m.usbStatusText || m.dcGenerator || m.scanner);
  EXPECT_EQ(m.versionPage, nullptr);
  EXPECT_EQ(m.resistances.size(), kResistanceValuesThree.size());
  activeinstrument = "YRM-D2";
  EXPECT_STREQ(ActiveModel().name, "YRM-D2");
  EXPECT_TRUE(ActiveModel().scanner);
  activeinstrument = kDefaultModel;
}
