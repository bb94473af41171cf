// Reading and writing test-plan files.
#include "testing/planfile.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "platform/files.h"
#include "shell/log.h"

namespace {

constexpr char kPoundLead = '\xC2';  // "£" is C2 A3 in UTF-8
constexpr char kPoundTrail = '\xA3';

// Pieces of a plan's bytes, pass after pass from the start.
class Source {
 public:
  virtual ~Source() = default;
  virtual std::string_view Next() = 0;  // empty at the end
  virtual bool Failed() const = 0;
  virtual bool Rewind() = 0;
};

class TextSource : public Source {
 public:
  explicit TextSource(std::string_view text) : text_(text) {}
  std::string_view Next() override {
    if (given_) return {};
    given_ = true;
    return text_;
  }
  bool Failed() const override { return false; }
  bool Rewind() override {
    given_ = false;
    return true;
  }

 private:
  std::string_view text_;
  bool given_ = false;
};

class FileSource : public Source {
 public:
  explicit FileSource(pf::FileReader& reader) : reader_(reader) {}
  std::string_view Next() override { return reader_.Next(); }
  bool Failed() const override { return reader_.Failed(); }
  bool Rewind() override { return reader_.Rewind(); }

 private:
  pf::FileReader& reader_;
};

// Writes the end of every field of a line of n bytes to `out` as End values
// and returns the line's comma count. An end is the field's end in the text
// with each "£" before it (at the sorted positions `pounds`) counted as one
// byte. `used` and `length` come back as the last non-empty field and the
// line's bytes up to its end. Eight bytes at a time where the machine keeps
// the first byte lowest in a word.
template <typename End, bool kPounds>
size_t ScanLine(const char* p, size_t n, const uint32_t* pounds, size_t poundCount, char* out, uint32_t& used,
                size_t& length) {
  size_t fields = 0, start = 0, k = 0;
  used = 0;
  length = 0;
  auto put = [&](size_t position) {
    if constexpr (kPounds)
      while (k < poundCount && pounds[k] < position) ++k;
    const End e = static_cast<End>(position - k);
    std::memcpy(out + fields * sizeof(End), &e, sizeof(End));
    ++fields;
    if (position > start) {
      used = static_cast<uint32_t>(fields);
      length = position;
    }
    start = position + 1;
  };
  size_t i = 0;
  if constexpr (std::endian::native == std::endian::little) {
    constexpr uint64_t kOnes = 0x0101010101010101ull, kLow7 = 0x7F7F7F7F7F7F7F7Full;
    for (; i + 8 <= n; i += 8) {
      uint64_t w;
      std::memcpy(&w, p + i, 8);
      const uint64_t x = w ^ (kOnes * ',');
      for (uint64_t m = ~(((x & kLow7) + kLow7) | x | kLow7); m;
           m &= m - 1)  // 0x80 in each byte that was ","
        put(i + (std::countr_zero(m) >> 3));
    }
  }
  for (; i < n; ++i)
    if (p[i] == ',') put(i);
  put(n);
  return fields - 1;
}

}  // namespace

// Builds a table from a plan's bytes in one pass, keeping every field of a
// line; the lines holding more than the field count, known at the end, are
// then cut to it. Memory is counted as it is taken and the read stops at the
// bound.
class PlanReader {
 public:
  PlanReader(Source& source, long long size) : source_(source), size_(size) {}

  bool Read(RecordTable& table) {
    if (size_ < 0 || size_ > kMaxPlanBytes) return false;
    budget_ = static_cast<size_t>(std::min(2 * size_ + kPlanAllowance, kMaxPlanBytes));
    t_ = RecordTable(1, 1);
    t_.row_.clear();
    // Room for the largest the records can be, never beyond the bound; the
    // pages are taken only as records fill them.
    const size_t n = static_cast<size_t>(size_);
    if (!t_.pool_.Reserve(std::min(budget_, 14 * n + 16))) return false;
    for (std::string_view piece; !(piece = source_.Next()).empty();)
      if (!Feed(piece)) return false;
    if (source_.Failed()) return false;
    if (!line_.empty() && !Line(line_.data(), line_.size())) return false;
    if (lines_ == 0) {  // an empty file: one row of one empty field
      lines_ = 1;
      t_.row_.push_back(RecordTable::kEmptyRow);
    }
    const uint64_t fields = commas_ / lines_ + 1;
    t_.rows_ = static_cast<int>(t_.row_.size());
    t_.fields_ = static_cast<int>(fields);
    if (longest_ > fields)
      for (int r = 1; r <= t_.rows_; ++r) t_.CutRecord(r, static_cast<uint32_t>(fields));
    t_.pool_.Trim();
    table = std::move(t_);
    return true;
  }

 private:
  bool Feed(std::string_view piece) {
    const char* p = piece.data();
    const char* const end = p + piece.size();
    if (pendingCr_) {
      pendingCr_ = false;
      if (*p == '\n') ++p;
    }
    const char* lf = nullptr;
    const char* cr = nullptr;
    while (p < end) {
      // The next line end, with the next CR and LF kept apart so that a file
      // without one of them is not searched again for each line.
      if (lf < p) lf = Find(p, end, '\n');
      if (cr < p) cr = Find(p, end, '\r');
      const char* q = std::min(lf, cr);
      if (q == end) {
        line_.append(p, end);
        return Fits();
      }
      if (line_.empty()) {
        if (!Line(p, static_cast<size_t>(q - p))) return false;
      } else {
        line_.append(p, q);
        if (!Fits() || !Line(line_.data(), line_.size())) return false;
        line_.clear();
      }
      if (*q == '\r' && q + 1 == end)
        pendingCr_ = true;
      else if (*q == '\r' && q[1] == '\n')
        ++q;
      p = q + 1;
    }
    return true;
  }

  static const char* Find(const char* p, const char* end, char c) {
    const void* hit = std::memchr(p, c, static_cast<size_t>(end - p));
    return hit ? static_cast<const char*>(hit) : end;
  }

  // One line's bytes without its line end becomes the next row, its record
  // written straight into the pool: the head's varint is put last, right
  // before the ends, in the room its largest size leaves.
  bool Line(const char* p, size_t n) {
    if (lines_ == 0 && n > 0)
      t_.row_.reserve(std::min<size_t>(static_cast<size_t>(size_) / (n + 2) + 16, size_ + 1));
    if (t_.row_.size() >= RecordTable::kOwnedRow) return false;
    t_.row_.push_back(RecordTable::kEmptyRow);
    ++lines_;
    const int row = static_cast<int>(t_.row_.size());
    t_.rows_ = row;
    // A "£" stands for ",".
    pounds_.clear();
    for (const char* hit = p; (hit = Find(hit, p + n, kPoundLead)) + 1 < p + n; ++hit)
      if (hit[1] == kPoundTrail) pounds_.push_back(static_cast<uint32_t>(hit++ - p));
    const size_t poundCount = pounds_.size();
    const bool wide = n - poundCount > RecordTable::kNarrowText;
    const size_t width = wide ? 4 : 2;
    const size_t head = RecordTable::VarintSize((static_cast<uint64_t>(n + 1) << 2) | 3);
    RecordTable::Pool& pool = t_.pool_;
    if (!Fits() || head + (n + 1) * width + n > pool.capacity - pool.size) return false;
    char* const at = pool.data + pool.size;
    char* const ends = at + head;
    uint32_t used;
    size_t length;
    const uint32_t* pounds = pounds_.data();
    const size_t commas =
        wide ? (poundCount ? ScanLine<uint32_t, true>(p, n, pounds, poundCount, ends, used, length)
                           : ScanLine<uint32_t, false>(p, n, pounds, 0, ends, used, length))
             : (poundCount ? ScanLine<uint16_t, true>(p, n, pounds, poundCount, ends, used, length)
                           : ScanLine<uint16_t, false>(p, n, pounds, 0, ends, used, length));
    commas_ += commas;
    longest_ = std::max<uint64_t>(longest_, used);
    // The text after the ends of the fields kept, each "£" as ",".
    char* text = ends + used * width;
    size_t from = 0;
    bool escaped = false;
    for (size_t k = 0; k < poundCount && pounds[k] < length; ++k) {
      std::memcpy(text, p + from, pounds[k] - from);
      text += pounds[k] - from;
      *text++ = ',';
      from = pounds[k] + 2;
      escaped = true;
    }
    std::memcpy(text, p + from, length - from);
    text += length - from;
    const uint64_t v = (static_cast<uint64_t>(used) << 2) | (wide ? 2 : 0) | (escaped ? 1 : 0);
    char* const start = ends - RecordTable::VarintSize(v);
    RecordTable::PutVarint(start, v);
    t_.row_.back() = static_cast<uint32_t>(start - pool.data);
    pool.size = static_cast<size_t>(text - pool.data);
    return pool.size < RecordTable::kOwnedRow;
  }

  // The memory taken so far, and whether it is within the bound.
  size_t Taken() const {
    return (t_.row_.capacity() + pounds_.capacity()) * sizeof(uint32_t) + t_.pool_.size + line_.capacity();
  }
  bool Fits() const { return Taken() <= budget_; }

  Source& source_;
  long long size_;
  size_t budget_ = 0;
  RecordTable t_;
  uint64_t lines_ = 0, commas_ = 0, longest_ = 0;
  bool pendingCr_ = false;
  std::string line_;              // a line that began in an earlier piece
  std::vector<uint32_t> pounds_;  // where a line holds "£"
};

bool ParseTestPlanText(std::string_view s, RecordTable& table) {
  TextSource source(s);
  RecordTable read;
  if (!PlanReader(source, static_cast<long long>(s.size())).Read(read)) return false;
  table = std::move(read);
  return true;
}

namespace {
// Appends a field's text with every "," written as "£".
void AppendEscaped(std::string& out, std::string_view field) {
  const char* p = field.data();
  const char* const stop = p + field.size();
  while (p < stop) {
    const char* comma = static_cast<const char*>(std::memchr(p, ',', static_cast<size_t>(stop - p)));
    if (!comma) {
      out.append(p, stop);
      break;
    }
    out.append(p, comma);
    out += "\xC2\xA3";
    p = comma + 1;
  }
}
}  // namespace

void FormatTestPlanText(const RecordTable& t, std::string& out) {
  const size_t fields = static_cast<size_t>(t.fields_);
  // A row's text, the ends of its fields and the byte that joins them: a
  // row as read holds its separators; a changed one has its fields back to
  // back. With `commas` some field holds a "," to be written as "£".
  struct Line {
    const char* text = nullptr;
    const uint32_t* ownedEnds = nullptr;
    RecordTable::Packed packed{};
    uint32_t used = 0;
    bool commas = false;
    size_t length = 0;
  };
  auto lineOf = [&t](int r) {
    Line l;
    const uint32_t e = t.row_[r - 1];
    if (e == RecordTable::kEmptyRow) return l;
    if (e & RecordTable::kOwnedRow) {
      const RecordTable::Owned& o = t.owned_[e & ~RecordTable::kOwnedRow];
      l.text = o.text.data();
      l.ownedEnds = o.ends.data();
      l.used = static_cast<uint32_t>(o.ends.size());
      l.length = o.text.size();
      l.commas = std::memchr(l.text, ',', l.length) != nullptr;
    } else {
      l.packed = t.Unpack(e);
      l.text = l.packed.text;
      l.used = l.packed.used;
      l.length = l.packed.End(l.used);
      l.commas = l.packed.commas;
    }
    return l;
  };
  // Every line holds fields - 1 commas and CR LF besides its fields' texts.
  size_t size = 0;
  for (int r = 1; r <= t.rows_; ++r) {
    const Line l = lineOf(r);
    size_t text = l.length - (l.ownedEnds || l.used == 0 ? 0 : l.used - 1);
    if (l.commas)
      text += static_cast<size_t>(std::count(l.text, l.text + l.length, ',')) -
              (l.ownedEnds || l.used == 0 ? 0 : l.used - 1);
    size += text + fields - 1 + 2;
  }
  out.clear();
  out.reserve(size);
  for (int r = 1; r <= t.rows_; ++r) {
    const Line l = lineOf(r);
    if (!l.ownedEnds && !l.commas) {
      out.append(l.text, l.length);  // as it was read
    } else {
      for (uint32_t f = 1; f <= l.used; ++f) {
        const uint32_t from =
            l.ownedEnds ? (f == 1 ? 0 : l.ownedEnds[f - 2]) : (f == 1 ? 0 : l.packed.End(f - 1) + 1);
        const uint32_t to = l.ownedEnds ? l.ownedEnds[f - 1] : l.packed.End(f);
        if (f > 1) out.push_back(',');
        if (l.commas)
          AppendEscaped(out, std::string_view(l.text + from, to - from));
        else
          out.append(l.text + from, to - from);
      }
    }
    out.append(fields - std::max<size_t>(l.used, 1), ',');
    out += "\r\n";
  }
}

bool YRM_ReadTestPlan(const std::string& file) {
  pf::FileReader reader;
  RecordTable table;
  bool ok = reader.Open(file, kMaxPlanBytes);
  if (ok) {
    FileSource source(reader);
    ok = PlanReader(source, reader.Size()).Read(table);
  }
  if (!ok) {
    YRM_ShowMessage("Error #0065 Cannot open .qvt file");
    return false;
  }
  records = std::move(table);
  return true;
}

void YRM_WriteTestPlan(const std::string& file) {
  std::string content;
  FormatTestPlanText(records, content);
  if (!pf::ReplaceFile(file, content)) YRM_ShowMessage("Error #0064 File cannot be created");
}
