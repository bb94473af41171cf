// The record table, its text forms and the operations that add and remove rows.
#include "testing/records.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

// ---- text forms ---------------------------------------------------------------

std::string IntegerText(long long value) { return std::to_string(value); }

std::string DecimalText(float value) {
  if (!std::isfinite(value)) return "0";
  char buf[80];
  auto res = std::to_chars(buf, buf + sizeof buf, static_cast<double>(value), std::chars_format::fixed, 10);
  char* end = res.ptr;
  while (end[-1] == '0') --end;
  if (end[-1] == '.') --end;
  std::string text(buf, end);
  if (text == "-0") return "0";
  return text;
}

namespace {

// Skips blanks and reads an optional sign; returns the position after them.
size_t SkipSign(std::string_view t, bool& negative) {
  size_t p = 0;
  while (p < t.size() && (t[p] == ' ' || t[p] == '\t')) ++p;
  negative = false;
  if (p < t.size() && (t[p] == '-' || t[p] == '+')) {
    negative = t[p] == '-';
    ++p;
  }
  return p;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int IntegerValue(std::string_view t) {
  bool negative;
  size_t p = SkipSign(t, negative);
  long long v = 0;
  for (; p < t.size() && IsDigit(t[p]); ++p) {
    v = v * 10 + (t[p] - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) v = -v;
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

float DecimalValue(std::string_view t) {
  bool negative;
  size_t start = SkipSign(t, negative);
  // Take the longest prefix shaped digits [. digits] [e [sign] digits].
  size_t p = start, digits = 0;
  while (p < t.size() && IsDigit(t[p])) ++p, ++digits;
  if (p < t.size() && t[p] == '.') {
    ++p;
    while (p < t.size() && IsDigit(t[p])) ++p, ++digits;
  }
  if (digits == 0) return 0.0f;
  if (p < t.size() && (t[p] == 'e' || t[p] == 'E')) {
    size_t q = p + 1;
    if (q < t.size() && (t[q] == '-' || t[q] == '+')) ++q;
    if (q < t.size() && IsDigit(t[q])) {
      while (q < t.size() && IsDigit(t[q])) ++q;
      p = q;
    }
  }
  // from_chars takes no leading "+"; the sign is applied afterwards.
  double v = 0.0;
  auto res = std::from_chars(t.data() + start, t.data() + p, v);
  if (res.ec == std::errc::result_out_of_range) {
    // Too large or too small for a double: the exponent's sign says which.
    v = (std::find(t.data() + start, t.data() + p, '-') != t.data() + p) ? 0.0 : DBL_MAX;
  } else if (res.ec != std::errc()) {
    v = 0.0;
  }
  v = std::min(v, static_cast<double>(FLT_MAX));
  float f = static_cast<float>(v);
  return negative ? -f : f;
}

// ---- the table ---------------------------------------------------------------

RecordTable::RecordTable() : RecordTable(1, kPlanFields) {}

RecordTable::RecordTable(int rows, int fields)
    : rows_(std::max(rows, 1)),
      fields_(std::max(fields, 1)),
      text_(static_cast<size_t>(rows_)),
      ends_(static_cast<size_t>(rows_) * (static_cast<size_t>(fields_) + 1), 0) {}

std::string RecordTable::Field(int row, int field) const { return std::string(FieldView(row, field)); }

std::string_view RecordTable::FieldView(int row, int field) const {
  if (row < 1 || row > rows_ || field < 1 || field > fields_) return {};
  size_t base = static_cast<size_t>(row - 1) * (static_cast<size_t>(fields_) + 1);
  uint32_t from = ends_[base + field - 1], to = ends_[base + field];
  return std::string_view(text_[row - 1]).substr(from, to - from);
}

bool RecordTable::SetField(int row, int field, std::string_view text) {
  if (row < 1 || row > rows_ || field < 1) return false;
  if (field > fields_) {
    if (field > kPlanFields) return false;
    Widen(kPlanFields);
  }
  std::string& t = text_[row - 1];
  size_t base = static_cast<size_t>(row - 1) * (static_cast<size_t>(fields_) + 1);
  uint32_t* e = &ends_[base];
  size_t from = e[field - 1], to = e[field];
  if (t.size() - (to - from) + text.size() > UINT32_MAX) return false;
  // The text may be a view into this very row.
  std::string copy;
  if (text.data() >= t.data() && text.data() < t.data() + t.size()) {
    copy.assign(text);
    text = copy;
  }
  t.replace(from, to - from, text);
  for (size_t k = from; k < from + text.size(); ++k)
    if (t[k] == '\r' || t[k] == '\n') t[k] = ' ';
  uint32_t delta = static_cast<uint32_t>(text.size()) - static_cast<uint32_t>(to - from);
  for (int k = field; k <= fields_; ++k) e[k] += delta;  // wraps as intended when shrinking
  return true;
}

bool RecordTable::InsertRows(int at, int count) {
  if (at < 1 || at > rows_ + 1 || count < 1 || count > INT_MAX - rows_) return false;
  size_t stride = static_cast<size_t>(fields_) + 1;
  text_.insert(text_.begin() + (at - 1), static_cast<size_t>(count), std::string());
  ends_.insert(ends_.begin() + static_cast<ptrdiff_t>((at - 1) * stride), count * stride, 0u);
  rows_ += count;
  for (int& a : anchors_)
    if (a >= at) a += count;
  return true;
}

bool RecordTable::DeleteRows(int first, int count) {
  if (first < 1 || count < 1 || first > rows_ || count > rows_ - first + 1 || count >= rows_) return false;
  size_t stride = static_cast<size_t>(fields_) + 1;
  text_.erase(text_.begin() + (first - 1), text_.begin() + (first - 1 + count));
  ends_.erase(ends_.begin() + static_cast<ptrdiff_t>((first - 1) * stride),
              ends_.begin() + static_cast<ptrdiff_t>((first - 1 + count) * stride));
  rows_ -= count;
  for (int& a : anchors_) {
    if (a >= first + count)
      a -= count;
    else if (a >= first)
      a = 0;
  }
  return true;
}

int RecordTable::AddAnchor(int row) {
  anchors_.push_back(row >= 1 && row <= rows_ ? row : 0);
  return static_cast<int>(anchors_.size()) - 1;
}

int RecordTable::AnchorRow(int handle) const {
  return handle >= 0 && handle < static_cast<int>(anchors_.size()) ? anchors_[handle] : 0;
}

void RecordTable::Widen(int fields) {
  if (fields <= fields_) return;
  size_t oldStride = static_cast<size_t>(fields_) + 1, stride = static_cast<size_t>(fields) + 1;
  std::vector<uint32_t> ends(static_cast<size_t>(rows_) * stride);
  for (size_t r = 0; r < static_cast<size_t>(rows_); ++r) {
    const uint32_t* from = &ends_[r * oldStride];
    uint32_t* to = &ends[r * stride];
    std::copy(from, from + oldStride, to);
    std::fill(to + oldStride, to + stride, from[fields_]);
  }
  ends_ = std::move(ends);
  fields_ = fields;
}

bool RecordTable::Valid() const {
  size_t stride = static_cast<size_t>(fields_) + 1;
  if (rows_ < 1 || fields_ < 1 || text_.size() != static_cast<size_t>(rows_) ||
      ends_.size() != static_cast<size_t>(rows_) * stride)
    return false;
  for (size_t r = 0; r < static_cast<size_t>(rows_); ++r) {
    const uint32_t* e = &ends_[r * stride];
    if (e[0] != 0 || e[fields_] != text_[r].size()) return false;
    for (int f = 1; f <= fields_; ++f)
      if (e[f] < e[f - 1]) return false;
    if (text_[r].find_first_of("\r\n") != std::string::npos) return false;
  }
  return true;
}

void SetRecordsStartValues() { records = RecordTable(1, kPlanFields); }

// ---- signature blocks ---------------------------------------------------------

int BlockPointCount(int row, int base) {
  return std::clamp(records.FieldInt(row, base + kBlockCount), 0, kBlockMaxPairs);
}

int ReadSignatureBlock(int row, int base, Signature& v, Signature& i) {
  int n = BlockPointCount(row, base);
  for (int k = 1; k <= n; ++k) {
    v[k] = records.FieldFloat(row, base + kBlockPairs + 2 * (k - 1));
    i[k] = records.FieldFloat(row, base + kBlockPairs + 2 * (k - 1) + 1);
  }
  return n;
}

void WriteSignatureBlock(int row, int base, float millivolts, float ohms, float hertz, const Signature& v,
                         const Signature& i, int n) {
  n = std::clamp(n, 0, kBlockMaxPairs);
  records.SetFieldInt(row, base + kBlockRow, row);
  records.SetFieldInt(row, base + kBlockVoltage, std::llrint(millivolts));
  records.SetField(row, base + kBlockVoltage + 1, "mVpk");
  records.SetFieldInt(row, base + kBlockResistance, std::llrint(ohms));
  records.SetField(row, base + kBlockResistance + 1, "ohms");
  records.SetFieldInt(row, base + kBlockFrequency, std::llrint(hertz));
  records.SetField(row, base + kBlockFrequency + 1, "Hz");
  records.SetFieldInt(row, base + kBlockCount, n);
  for (int k = 1; k <= n; ++k) {
    records.SetFieldFloat(row, base + kBlockPairs + 2 * (k - 1), v[k]);
    records.SetFieldFloat(row, base + kBlockPairs + 2 * (k - 1) + 1, i[k]);
  }
}

// ---- row operations ------------------------------------------------------------

void YRM_InsertRecordsAfter(int count) {
  count = std::clamp(count, 1, kMaxRowChange);
  int after = std::clamp(currentrecord, 1, records.Rows());
  if (records.InsertRows(after + 1, count)) currentrecord = after + 1;
}

void YRM_InsertRecordBefore() {
  if (currentrecord <= 1) return;  // never before the header
  int at = std::min(currentrecord, records.Rows() + 1);
  if (records.InsertRows(at, 1)) currentrecord = at;
}

void YRM_DeleteRecords(int count) {
  if (currentrecord < 2) return;  // the header stays
  if (currentrecord <= records.Rows()) {
    count = std::clamp(count, 1, kMaxRowChange);
    records.DeleteRows(currentrecord, std::min(count, records.Rows() - currentrecord + 1));
  }
  if (currentrecord > records.Rows()) currentrecord = records.Rows();
  if (currentrecord < 1) currentrecord = 1;
}

void YRM_RenumberRecords() {
  for (int r = 1; r <= records.Rows(); ++r) records.SetFieldInt(r, kFieldNumber, r);
}
