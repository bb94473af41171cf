// The record table, its text forms and the operations that add and remove rows.
#include "testing/records.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "testing/bytewords.h"

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

void RecordTable::PutNumber(unsigned char* at, uint32_t value, bool wide) {
  if (wide) {
    std::memcpy(at, &value, 4);
  } else {
    const uint16_t narrow = static_cast<uint16_t>(value);
    std::memcpy(at, &narrow, 2);
  }
}

uint32_t RecordTable::GetNumber(const unsigned char* at, bool wide) {
  uint32_t value = 0;
  if (wide) {
    std::memcpy(&value, at, 4);
  } else {
    uint16_t narrow;
    std::memcpy(&narrow, at, 2);
    value = narrow;
  }
  return value;
}

RecordTable::Pool::~Pool() { std::free(data); }

RecordTable::Pool::Pool(const Pool& o) : size(o.size), capacity(o.size) {
  if (size) {
    data = static_cast<char*>(std::malloc(size));
    if (!data) throw std::bad_alloc();
    std::memcpy(data, o.data, size);
  }
}

RecordTable::Pool& RecordTable::Pool::operator=(const Pool& o) {
  if (this != &o) *this = Pool(o);
  return *this;
}

RecordTable::Pool::Pool(Pool&& o) noexcept : data(o.data), size(o.size), capacity(o.capacity) {
  o.data = nullptr;
  o.size = o.capacity = 0;
}

RecordTable::Pool& RecordTable::Pool::operator=(Pool&& o) noexcept {
  std::swap(data, o.data);
  std::swap(size, o.size);
  std::swap(capacity, o.capacity);
  return *this;
}

bool RecordTable::Pool::Reserve(size_t bytes) {
  std::free(data);
  size = capacity = 0;
  // Not touched here: only the pages a read fills become memory in use.
  data = bytes ? static_cast<char*>(std::malloc(bytes)) : nullptr;
  if (bytes && !data) return false;
  capacity = bytes;
  return true;
}

void RecordTable::Pool::Trim() {
  if (size == capacity) return;
  if (size == 0) {
    std::free(data);
    data = nullptr;
  } else if (char* smaller = static_cast<char*>(std::realloc(data, size))) {
    data = smaller;
  }
  capacity = size;
}

RecordTable::RecordTable() : RecordTable(1, kPlanFields) {}

RecordTable::RecordTable(int rows, int fields)
    : rows_(std::max(rows, 1)), fields_(std::max(fields, 1)), row_(static_cast<size_t>(rows_), kEmptyRow) {}

std::string_view RecordTable::Packed::Field(uint32_t f) const {
  if (f == 0 || f > used) return {};
  const uint32_t j = (f - 1) / kMarkEvery;
  const char* from = text + (j ? Mark(j) : 0);
  const char* const end = text + length;
  // Past the separators between the mark and the field, then to the next.
  for (uint32_t skip = f - 1 - j * kMarkEvery; skip > 0;) {
    if (kByteWords && end - from >= 8) {
      const uint64_t flags = BytesThatAre(from, '\n');
      const uint32_t count = MarkedBytes(flags);
      if (count < skip) {
        skip -= count;
        from += 8;
        continue;
      }
      uint64_t m = flags;
      while (--skip > 0) m &= m - 1;  // the separator sought is the lowest left
      from += (std::countr_zero(m) >> 3) + 1;
    } else {
      while (from < end && *from != '\n') ++from;
      if (from++ == end) return {};
      --skip;
    }
  }
  const char* to = from;
  if constexpr (kByteWords) {
    for (; end - to >= 8; to += 8)
      if (const uint64_t flags = BytesThatAre(to, '\n'))
        return std::string_view(from, to + (std::countr_zero(flags) >> 3) - from);
  }
  while (to < end && *to != '\n') ++to;
  return std::string_view(from, static_cast<size_t>(to - from));
}

RecordTable::Packed RecordTable::Unpack(uint32_t at) const {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(pool_.data) + at;
  Packed k;
  k.wide = (p[0] & kWide) != 0;
  k.commas = (p[0] & kCommas) != 0;
  const size_t width = k.wide ? 4 : 2;
  k.length = GetNumber(p + 1, k.wide);
  k.used = GetNumber(p + 1 + width, k.wide);
  k.text = reinterpret_cast<const char*>(p + 1 + 2 * width);
  k.marks = reinterpret_cast<const unsigned char*>(k.text) + k.length;
  return k;
}

uint32_t RecordTable::Used(int row) const {
  const uint32_t e = row_[row - 1];
  if (e == kEmptyRow) return 0;
  if (e & kOwnedRow) return static_cast<uint32_t>(owned_[e & ~kOwnedRow].ends.size());
  return Unpack(e).used;
}

std::string RecordTable::Field(int row, int field) const { return std::string(FieldView(row, field)); }

std::string_view RecordTable::FieldView(int row, int field) const {
  ++fieldReads_;
  if (row < 1 || row > rows_ || field < 1 || field > fields_) return {};
  const uint32_t e = row_[row - 1];
  if (e == kEmptyRow) return {};
  if (e & kOwnedRow) {
    const Owned& o = owned_[e & ~kOwnedRow];
    if (static_cast<size_t>(field) > o.ends.size()) return {};
    const uint32_t from = field == 1 ? 0 : o.ends[field - 2];
    return std::string_view(o.text).substr(from, o.ends[field - 1] - from);
  }
  return Unpack(e).Field(static_cast<uint32_t>(field));
}

RecordTable::Owned& RecordTable::MakeOwned(int row) {
  uint32_t& e = row_[row - 1];
  if (e != kEmptyRow && (e & kOwnedRow)) return owned_[e & ~kOwnedRow];
  uint32_t slot;
  if (!freeOwned_.empty()) {
    slot = freeOwned_.back();
    freeOwned_.pop_back();
  } else {
    slot = static_cast<uint32_t>(owned_.size());
    owned_.emplace_back();
  }
  Owned& o = owned_[slot];
  if (e != kEmptyRow) {
    const Packed k = Unpack(e);
    o.ends.resize(k.used);
    o.text.reserve(k.length);
    const char* from = k.text;
    const char* const end = k.text + k.length;
    for (uint32_t f = 1; f <= k.used; ++f) {
      const void* sep = std::memchr(from, '\n', static_cast<size_t>(end - from));
      const char* to = sep ? static_cast<const char*>(sep) : end;
      o.text.append(from, to);
      o.ends[f - 1] = static_cast<uint32_t>(o.text.size());
      from = to + (to < end);
    }
  }
  e = kOwnedRow | slot;
  return o;
}

void RecordTable::Release(uint32_t entry) {
  if (entry == kEmptyRow || !(entry & kOwnedRow)) return;
  const uint32_t slot = entry & ~kOwnedRow;
  owned_[slot] = Owned();
  freeOwned_.push_back(slot);
}

bool RecordTable::SetField(int row, int field, std::string_view text) {
  if (row < 1 || row > rows_ || field < 1) return false;
  if (field > fields_) {
    if (field > kPlanFields) return false;
    Widen(kPlanFields);
  }
  // A copy: the text may be a view into this very table.
  std::string value(text);
  for (char& c : value)
    if (c == '\r' || c == '\n') c = ' ';
  const std::string_view now = FieldView(row, field);
  if (now == value) return true;  // unchanged: a row as read stays as it is
  if (std::find(kTrackedFields.begin(), kTrackedFields.end(), field) != kTrackedFields.end())
    log_.Edited(row, field);
  const uint32_t e = row_[row - 1];
  const uint32_t f = static_cast<uint32_t>(field);

  // A row as read takes a text no longer than the one it replaces in place.
  if (e != kEmptyRow && !(e & kOwnedRow)) {
    const Packed k = Unpack(e);
    if (f <= k.used && value.size() <= now.size()) {
      unsigned char* head = reinterpret_cast<unsigned char*>(pool_.data) + e;
      if (value.find(',') != std::string::npos) *head |= kCommas;
      char* text = const_cast<char*>(k.text);
      const size_t from = static_cast<size_t>(now.data() - k.text), delta = now.size() - value.size();
      const size_t width = k.wide ? 4 : 2;
      // The text closes up; the marks after it follow, those past the field less delta.
      std::memcpy(text + from, value.data(), value.size());
      std::memmove(text + from + value.size(), text + from + now.size(), k.length - from - now.size());
      unsigned char* marks = const_cast<unsigned char*>(k.marks) - delta;
      std::memmove(marks, k.marks, k.Marks() * width);
      for (uint32_t j = (f - 1) / kMarkEvery + 1; j <= k.Marks(); ++j)
        PutNumber(marks + width * (j - 1),
                  GetNumber(marks + width * (j - 1), k.wide) - static_cast<uint32_t>(delta), k.wide);
      PutNumber(head + 1, static_cast<uint32_t>(k.length - delta), k.wide);
      return true;
    }
  }

  Owned& o = MakeOwned(row);
  if (f > o.ends.size()) {
    if (value.empty()) return true;
    o.ends.resize(f, static_cast<uint32_t>(o.text.size()));
  }
  const size_t from = f == 1 ? 0 : o.ends[f - 2], to = o.ends[f - 1];
  if (o.text.size() - (to - from) + value.size() > UINT32_MAX) return false;
  o.text.replace(from, to - from, value);
  const uint32_t delta = static_cast<uint32_t>(value.size()) - static_cast<uint32_t>(to - from);
  for (size_t g = f - 1; g < o.ends.size(); ++g) o.ends[g] += delta;  // wraps as intended when shrinking
  // Trailing empty fields take no room.
  while (!o.ends.empty() && o.ends.back() == (o.ends.size() > 1 ? o.ends[o.ends.size() - 2] : 0))
    o.ends.pop_back();
  return true;
}

uint64_t RecordTable::ChangeLog::NewShape() {
  static uint64_t last = 0;
  return ++last;
}

bool RecordTable::EditsSince(uint64_t since, std::vector<Edit>& edits) const {
  edits.clear();
  if (since > log_.edits || log_.edits - since > ChangeLog::kKept) return false;
  for (uint64_t e = since; e < log_.edits; ++e) edits.push_back(log_.kept[e % ChangeLog::kKept]);
  return true;
}

bool RecordTable::InsertRows(int at, int count) {
  if (at < 1 || at > rows_ + 1 || count < 1 || count > INT_MAX - rows_) return false;
  log_ = ChangeLog();
  row_.insert(row_.begin() + (at - 1), static_cast<size_t>(count), kEmptyRow);
  rows_ += count;
  for (int& a : anchors_)
    if (a >= at) a += count;
  return true;
}

bool RecordTable::DeleteRows(int first, int count) {
  if (first < 1 || count < 1 || first > rows_ || count > rows_ - first + 1 || count >= rows_) return false;
  log_ = ChangeLog();
  for (int r = first; r < first + count; ++r) Release(row_[r - 1]);
  row_.erase(row_.begin() + (first - 1), row_.begin() + (first - 1 + count));
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

void RecordTable::Widen(int fields) { fields_ = std::max(fields_, fields); }

void RecordTable::CutRecord(int row, uint32_t fields) {
  const uint32_t e = row_[row - 1];
  if (e == kEmptyRow || (e & kOwnedRow)) return;
  const Packed k = Unpack(e);
  if (k.used <= fields) return;
  uint32_t used = fields;
  while (used > 0 && k.Field(used).empty()) --used;
  const std::string_view last = k.Field(used);
  const uint32_t length = used ? static_cast<uint32_t>(last.data() + last.size() - k.text) : 0;
  const uint32_t marks = used ? (used - 1) / kMarkEvery : 0;
  // The text is cut where field `used` ends, and the marks kept follow it.
  const size_t width = k.wide ? 4 : 2;
  unsigned char* head = reinterpret_cast<unsigned char*>(pool_.data) + e;
  std::memmove(const_cast<char*>(k.text) + length, k.marks, marks * width);
  PutNumber(head + 1, length, k.wide);
  PutNumber(head + 1 + width, used, k.wide);
}

bool RecordTable::operator==(const RecordTable& o) const {
  if (rows_ != o.rows_ || fields_ != o.fields_) return false;
  for (int r = 1; r <= rows_; ++r) {
    const int used = static_cast<int>(std::max(Used(r), o.Used(r)));
    for (int f = 1; f <= used; ++f)
      if (FieldView(r, f) != o.FieldView(r, f)) return false;
  }
  return true;
}

bool RecordTable::Valid() const {
  if (rows_ < 1 || fields_ < 1 || row_.size() != static_cast<size_t>(rows_)) return false;
  const auto clean = [](std::string_view t) { return t.find_first_of("\r\n") == std::string_view::npos; };
  for (const uint32_t e : row_) {
    if (e == kEmptyRow) continue;
    if (e & kOwnedRow) {
      const uint32_t slot = e & ~kOwnedRow;
      if (slot >= owned_.size()) return false;
      const Owned& o = owned_[slot];
      if (o.ends.size() > static_cast<size_t>(fields_) || !clean(o.text)) return false;
      if ((o.ends.empty() ? 0 : o.ends.back()) != o.text.size()) return false;
      for (size_t f = 1; f < o.ends.size(); ++f)
        if (o.ends[f] < o.ends[f - 1]) return false;
      continue;
    }
    const unsigned char* base = reinterpret_cast<const unsigned char*>(pool_.data);
    const unsigned char* stop = base + pool_.size;
    if (e >= pool_.size) return false;
    const size_t width = (base[e] & kWide) ? 4 : 2;
    if (static_cast<size_t>(stop - (base + e)) < 1 + 2 * width) return false;
    const Packed k = Unpack(e);
    if (k.used > static_cast<uint32_t>(fields_) || (!k.wide && k.length > kNarrowText)) return false;
    if (k.length > static_cast<size_t>(stop - reinterpret_cast<const unsigned char*>(k.text))) return false;
    if (static_cast<size_t>(stop - k.marks) < k.Marks() * width) return false;
    const std::string_view all(k.text, k.length);
    // "\n" stands between fields and nowhere else; every mark is where its
    // field starts; "," only with the commas flag.
    if (all.find('\r') != std::string_view::npos || (!k.commas && all.find(',') != std::string_view::npos))
      return false;
    if (static_cast<size_t>(std::count(all.begin(), all.end(), '\n')) != (k.used ? k.used - 1 : 0))
      return false;
    if (k.used == 0 && k.length != 0) return false;
    for (uint32_t j = 1, field = 1, at = 0; j <= k.Marks(); ++j) {
      for (; field < j * kMarkEvery + 1; ++field) at = static_cast<uint32_t>(all.find('\n', at)) + 1;
      if (k.Mark(j) != at) return false;
    }
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
