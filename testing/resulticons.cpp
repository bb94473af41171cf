#include "testing/resulticons.h"

#include <string_view>

#include "testing/records.h"

int ResultIcon(int row, const ResultIconSet& icons) {
  if (records.FieldView(row, kFieldGolden) != "Yes") return icons.nosig;
  const std::string_view result = records.FieldView(row, kFieldResult);
  if (result == "Good") return icons.good;
  if (result == "Bad") return icons.bad;
  if (result == "Untested") return icons.untested;
  if (result == "NoTest") return icons.notest;
  return -1;
}
