#include "link/identify.h"

#include <gtest/gtest.h>

// The product text decides the model; the longest fitting beginning wins, so
// an AP is never taken for an A, and D and D2 share theirs.
TEST(ProductFitsModelTest, LongestBeginningDecides) {
  struct Case {
    const char* product;
    const char* model;
    bool fits;
  };
  const Case cases[] = {
      {"YRM-A 1234", "YRM-A", true},
      {"Quenlar YRM-A", "YRM-A", true},
      {"YRM-AP 1234", "YRM-A", false},
      {"Quenlar YRM-AP", "YRM-A", false},
      {"YRM-AP 1234", "YRM-AP", true},
      {"Quenlar YRM-AP", "YRM-AP", true},
      {"Quenlar YRM-A", "YRM-AP", false},
      {"YRM-C", "YRM-C", false},
      {"Quenlar YRM-C", "YRM-C", true},
      {"Quenlar YRM-D", "YRM-D", true},
      {"Quenlar YRM-D", "YRM-D2", true},
      {"Quenlar YRM-D2", "YRM-D", true},
      {"Quenlar YRM-C", "YRM-D", false},
      {"Quenlar YRM-A", "YRM-E", false},
      {"", "YRM-A", false},
      {"Quenlar YRM-", "YRM-A", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ProductFitsModel(c.product, c.model), c.fits) << c.product << " / " << c.model;
}
