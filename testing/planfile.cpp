// Reading and writing test-plan files.
#include "testing/planfile.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "platform/files.h"
#include "shell/messages.h"
#include "testing/bytewords.h"

namespace {

constexpr char kPoundLead = '\xC2';  // "£" is C2 A3 in UTF-8
constexpr char kPoundTrail = '\xA3';

// A plan's bytes, piece after piece.
class Source {
 public:
  virtual ~Source() = default;
  virtual std::string_view Next() = 0;  // empty at the end
  virtual bool Failed() const = 0;
  virtual bool Rewind() = 0;  // back to the first piece
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

// Copies n bytes of a line, found at `position` in it, to `out` with every
// "," written as "\n". `separators` counts the commas of the line so far;
// after every `every` of them the position in the text where the next field
// starts goes to `marks` as a Mark, `marked` counting them. `shift` is how
// far `out` stands before the line's position (one byte per "£" before).
template <typename Mark>
void CopyFields(const char* p, size_t n, char* out, size_t shift, size_t every, size_t& separators,
                char* marks, size_t& marked, size_t position) {
  size_t next = (marked + 1) * every;  // the separator the next mark follows
  auto mark = [&](size_t at) {
    const Mark m = static_cast<Mark>(position + at - shift + 1);
    std::memcpy(marks + marked * sizeof(Mark), &m, sizeof(Mark));
    ++marked;
    next += every;
  };
  size_t i = 0;
  if constexpr (kByteWords) {
    for (; i + 8 <= n; i += 8) {
      const uint64_t flags = BytesThatAre(p + i, ',');
      uint64_t w;
      std::memcpy(&w, p + i, 8);
      w ^= (flags >> 7) * static_cast<unsigned char>(',' ^ '\n');
      std::memcpy(out + i, &w, 8);
      const size_t count = MarkedBytes(flags);
      if (separators + count < next) {
        separators += count;
      } else {
        for (uint64_t m = flags; m; m &= m - 1)
          if (++separators == next) mark(i + (std::countr_zero(m) >> 3));
      }
    }
  }
  for (; i < n; ++i) {
    out[i] = p[i] == ',' ? '\n' : p[i];
    if (p[i] == ',' && ++separators == next) mark(i);
  }
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
    // A plan that cannot fit is refused before its memory is taken. When
    // even a line for every byte would fit, the lines need no counting.
    long long lines = size_ + 1;
    const long long available = pf::AvailableMemory();
    if (available >= 0 && PlanMemory(size_, lines) > available) {
      lines = 0;
      if (!CountLines(lines) || !source_.Rewind()) return false;
      if (PlanMemory(size_, lines) > available) return false;
      counted_ = static_cast<size_t>(lines);
    }
    // PlanMemory counts in round figures: a plan it lets in is stopped only
    // where the system can give no more.
    budget_ = static_cast<size_t>(std::max(PlanMemory(size_, lines), available));
    t_ = RecordTable(1, 1);
    t_.row_.clear();
    // Counted lines are the rows; otherwise the first line tells how many
    // to expect.
    if (counted_ && !Grow(t_.row_, counted_)) return false;
    // Room for the largest the records can be: each a head of at most 9
    // bytes, its text and a mark of at most 4 bytes for every kMarkEvery
    // commas. The pages are taken only as records fill them.
    const size_t n = static_cast<size_t>(size_);
    const size_t most = n + 4 * (n / RecordTable::kMarkEvery) + 9 * static_cast<size_t>(lines) + 16;
    if (!t_.pool_.Reserve(std::min(budget_, most))) return false;
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
  // Lines as the reader makes them: ended by CR LF, LF or a lone CR, the
  // last one also without a line end.
  bool CountLines(long long& lines) {
    bool cr = false;  // the piece before ended in a CR
    char last = '\n';
    for (std::string_view piece; !(piece = source_.Next()).empty();) {
      const char* const p = piece.data();
      const size_t n = piece.size();
      // Every LF ends a line, and every CR that no LF follows.
      if (cr && p[0] != '\n') ++lines;
      const auto lone = [&](size_t at) { return at + 1 < n && p[at + 1] != '\n'; };
      size_t i = 0;
      if constexpr (kByteWords) {
        for (; i + 8 <= n; i += 8) {
          lines += MarkedBytes(BytesThatAre(p + i, '\n'));
          for (uint64_t m = BytesThatAre(p + i, '\r'); m; m &= m - 1)
            lines += lone(i + (std::countr_zero(m) >> 3));
        }
      }
      for (; i < n; ++i) lines += p[i] == '\n' || (p[i] == '\r' && lone(i));
      cr = p[n - 1] == '\r';
      last = p[n - 1];
    }
    if (cr || (last != '\n' && last != '\r')) ++lines;
    return !source_.Failed();
  }

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
      if (!lf || lf < p) lf = Find(p, end, '\n');
      if (!cr || cr < p) cr = Find(p, end, '\r');
      const char* q = std::min(lf, cr);
      if (q == end) return Keep(p, end);
      if (line_.empty()) {
        if (!Line(p, static_cast<size_t>(q - p))) return false;
      } else {
        if (!Keep(p, q) || !Line(line_.data(), line_.size())) return false;
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
  // written straight into the pool.
  bool Line(const char* p, size_t n) {
    if (lines_ == 0 && n > 0 && !counted_)
      Grow(t_.row_, std::min<size_t>(static_cast<size_t>(size_) / (n + 2) + 16, size_ + 1));
    if (t_.row_.size() >= RecordTable::kOwnedRow || !Grow(t_.row_, t_.row_.size() + 1)) return false;
    t_.row_.push_back(RecordTable::kEmptyRow);
    ++lines_;
    const int row = static_cast<int>(t_.row_.size());
    t_.rows_ = row;
    // Empty fields at the end take no room; the last field kept is not empty.
    size_t kept = n;
    while (kept > 0 && p[kept - 1] == ',') --kept;
    // A "£" stands for ",".
    pounds_.clear();
    const char* const stop = p + kept;
    for (const char* hit = p; (hit = Find(hit, stop, kPoundLead)) != stop && hit + 1 != stop; ++hit) {
      if (hit[1] != kPoundTrail) continue;
      if (!Grow(pounds_, pounds_.size() + 1)) return false;
      pounds_.push_back(static_cast<uint32_t>(hit++ - p));
    }
    const size_t length = kept - pounds_.size();
    const bool wide = length > RecordTable::kNarrowText;
    const size_t width = wide ? 4 : 2;
    // The marks come last: at most one for every kMarkEvery commas.
    RecordTable::Pool& pool = t_.pool_;
    const size_t most = 1 + 2 * width + length + (kept / RecordTable::kMarkEvery) * width;
    if (Taken() + most > budget_ || most > pool.capacity - pool.size || pool.size >= RecordTable::kOwnedRow)
      return false;

    unsigned char* const head = reinterpret_cast<unsigned char*>(pool.data + pool.size);
    char* const text = pool.data + pool.size + 1 + 2 * width;
    char* const marks = text + length;
    size_t separators = 0, marked = 0, from = 0;
    // The pieces between the "£", each "£" as one ",".
    for (size_t k = 0; k <= pounds_.size(); ++k) {
      const size_t to = k < pounds_.size() ? pounds_[k] : kept;
      if (wide)
        CopyFields<uint32_t>(p + from, to - from, text + from - k, k, RecordTable::kMarkEvery, separators,
                             marks, marked, from);
      else
        CopyFields<uint16_t>(p + from, to - from, text + from - k, k, RecordTable::kMarkEvery, separators,
                             marks, marked, from);
      if (k < pounds_.size()) {
        text[to - k] = ',';
        from = to + 2;
      }
    }
    const uint32_t used = kept ? static_cast<uint32_t>(separators + 1) : 0;
    commas_ += separators + (n - kept);
    longest_ = std::max<uint64_t>(longest_, used);
    head[0] = static_cast<unsigned char>((wide ? RecordTable::kWide : 0) |
                                         (pounds_.empty() ? 0 : RecordTable::kCommas));
    RecordTable::PutNumber(head + 1, static_cast<uint32_t>(length), wide);
    RecordTable::PutNumber(head + 1 + width, used, wide);
    t_.row_.back() = static_cast<uint32_t>(pool.size);
    pool.size += 1 + 2 * width + length + marked * width;
    return true;
  }

  // Keeps the start of a line that goes on in the next piece.
  bool Keep(const char* from, const char* to) {
    if (!Grow(line_, line_.size() + static_cast<size_t>(to - from))) return false;
    line_.append(from, to);
    return true;
  }

  // Makes room for `size` elements, growing within the bound: while a
  // container grows, its old and new room are both taken.
  template <typename Container>
  bool Grow(Container& c, size_t size) {
    if (size <= c.capacity()) return true;
    const size_t each = sizeof(typename Container::value_type), taken = Taken();
    const size_t room = taken < budget_ ? (budget_ - taken) / each : 0;
    const size_t want = std::min(std::max(size, 2 * c.capacity()), room);
    if (want < size) return false;
    c.reserve(want);
    return true;
  }

  // The memory taken so far.
  size_t Taken() const {
    return (t_.row_.capacity() + pounds_.capacity()) * sizeof(uint32_t) + t_.pool_.size + line_.capacity();
  }

  Source& source_;
  long long size_;
  size_t budget_ = 0;
  size_t counted_ = 0;  // the lines, when they were counted before the read
  RecordTable t_;
  uint64_t lines_ = 0, commas_ = 0, longest_ = 0;
  bool pendingCr_ = false;
  std::string line_;              // a line that began in an earlier piece
  std::vector<uint32_t> pounds_;  // where a line holds "£"
};

namespace {
long long allowance = kPlanAllowance;
}

long long PlanMemory(long long bytes, long long lines) {
  return bytes + std::max(lines, 1LL) * kPlanRowBytes + allowance;
}

namespace plantest {
void SetPlanAllowance(long long bytes) { allowance = bytes < 0 ? kPlanAllowance : bytes; }
}  // namespace plantest

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

// Appends a row's text as read, fields joined by "\n", as a line: "," between
// the fields and, with `commas`, "£" for a "," within one.
void AppendAsRead(std::string& out, std::string_view text, bool commas) {
  while (!text.empty()) {
    const size_t comma = commas ? text.find(',') : std::string_view::npos;
    const size_t piece = std::min(comma, text.size());
    const size_t at = out.size();
    out.append(text.data(), piece);
    char* p = out.data() + at;
    size_t i = 0;
    if constexpr (kByteWords) {
      for (; i + 8 <= piece; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        w ^= (BytesThatAre(p + i, '\n') >> 7) * static_cast<unsigned char>(',' ^ '\n');
        std::memcpy(p + i, &w, 8);
      }
    }
    for (; i < piece; ++i)
      if (p[i] == '\n') p[i] = ',';
    if (piece == text.size()) break;
    out += "\xC2\xA3";
    text.remove_prefix(piece + 1);
  }
}
}  // namespace

void FormatTestPlanText(const RecordTable& t, std::string& out) {
  const size_t fields = static_cast<size_t>(t.fields_);
  // At most: each byte of a text written as two, the commas and CR LF.
  size_t most = 0;
  for (int r = 1; r <= t.rows_; ++r) {
    const uint32_t e = t.row_[r - 1];
    if (e & RecordTable::kOwnedRow && e != RecordTable::kEmptyRow)
      most += 2 * t.owned_[e & ~RecordTable::kOwnedRow].text.size();
    else if (e != RecordTable::kEmptyRow)
      most += 2 * t.Unpack(e).length;
    most += fields + 1;
  }
  out.clear();
  out.reserve(most);  // only what is written is ever touched
  for (int r = 1; r <= t.rows_; ++r) {
    const uint32_t e = t.row_[r - 1];
    uint32_t used = 0;
    if (e & RecordTable::kOwnedRow && e != RecordTable::kEmptyRow) {
      const RecordTable::Owned& o = t.owned_[e & ~RecordTable::kOwnedRow];
      used = static_cast<uint32_t>(o.ends.size());
      // One search of the whole row spares one a field where none holds a ",".
      const bool commas = std::memchr(o.text.data(), ',', o.text.size()) != nullptr;
      for (uint32_t f = 1, from = 0; f <= used; from = o.ends[f - 1], ++f) {
        if (f > 1) out.push_back(',');
        const std::string_view field(o.text.data() + from, o.ends[f - 1] - from);
        if (commas)
          AppendEscaped(out, field);
        else
          out.append(field);
      }
    } else if (e != RecordTable::kEmptyRow) {
      const RecordTable::Packed k = t.Unpack(e);
      used = k.used;
      AppendAsRead(out, std::string_view(k.text, k.length), k.commas);
    }
    out.append(fields - std::max<size_t>(used, 1), ',');
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
    YRM_ShowMessage(kMsgCannotOpenPlan);
    return false;
  }
  records = std::move(table);
  return true;
}

void YRM_WriteTestPlan(const std::string& file) {
  std::string content;
  FormatTestPlanText(records, content);
  if (!pf::ReplaceFile(file, content)) YRM_ShowMessage(kMsgFileCannotBeCreated);
}
