// Feeds arbitrary bytes to the plan reader and checks what it builds against
// a plain re-reading of the same bytes; then writes the table, reads it back,
// and drives the row operations with the remaining input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "testing/planfile.h"
#include "testing/records.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant failed: %s\n", what);
    std::abort();
  }
}

// A field's text as the reader stores it: "£" becomes ",".
std::string Unescape(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\xC2' && i + 1 < s.size() && s[i + 1] == '\xA3') {
      out.push_back(',');
      ++i;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

// The table the reader must build, worked out line by line.
void CheckAgainstLines(const std::string& bytes, const RecordTable& t) {
  std::vector<std::string> lines;
  pf::SplitLines(bytes, lines);
  size_t commas = 0;
  for (char c : bytes) commas += c == ',';
  size_t rows = lines.empty() ? 1 : lines.size();
  Check(t.Rows() == static_cast<int>(rows), "row count is the line count");
  Check(t.Fields() == static_cast<int>(commas / rows + 1), "field count is commas / lines + 1");
  for (size_t r = 0; r < lines.size(); ++r) {
    std::string_view line = lines[r];
    int f = 1;
    size_t start = 0;
    for (; f <= t.Fields(); ++f) {
      size_t comma = line.find(',', start);
      std::string_view piece =
          line.substr(start, comma == std::string_view::npos ? line.npos : comma - start);
      Check(t.FieldView(static_cast<int>(r) + 1, f) == Unescape(piece), "field text");
      if (comma == std::string_view::npos) break;
      start = comma + 1;
    }
    for (++f; f <= t.Fields(); ++f)
      Check(t.FieldView(static_cast<int>(r) + 1, f).empty(), "missing fields are empty");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  RecordTable t(3, 3);
  Check(ParseTestPlanText(bytes, t), "parse accepts any small input");
  Check(t.Valid(), "table layout after a read");
  CheckAgainstLines(bytes, t);

  std::string written;
  FormatTestPlanText(t, written);
  RecordTable again;
  Check(ParseTestPlanText(written, again), "parse of a written plan");
  Check(again == t, "write then read gives the same table");

  // Row operations and edits driven by the input's bytes, on small tables
  // (an edit may widen the table to 576 fields).
  if (t.Rows() > 200) return 0;
  records = t;
  currentrecord = 1;
  for (size_t k = 0; k + 2 < size && k < 48; k += 3) {
    int a = data[k + 1], b = data[k + 2];
    int rows = records.Rows();
    switch (data[k] % 6) {
      case 0:
        currentrecord = a % (rows + 3) - 1;
        break;
      case 1:
        if (rows < 100) YRM_InsertRecordsAfter(b % 8 - 1);
        break;
      case 2:
        YRM_InsertRecordBefore();
        break;
      case 3: {
        int before = currentrecord;
        YRM_DeleteRecords(b - 100);
        Check(records.Rows() >= 1, "the header stays");
        Check(before < 2 || records.Rows() < rows || before > rows, "a pin row was deleted");
        break;
      }
      case 4:
        records.SetField(a % (rows + 2), b * 3, std::string_view(bytes).substr(k, b % 7));
        break;
      case 5:
        YRM_RenumberRecords();
        break;
    }
    if (currentrecord >= 1) Check(currentrecord <= records.Rows() + 1, "current record near the table");
  }
  Check(records.Valid(), "table layout after the operations");
  return 0;
}
