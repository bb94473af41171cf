// Reading and writing test-plan files.
#include "testing/planfile.h"

#include <cstring>

#include "platform/files.h"
#include "shell/messages.h"

namespace {

constexpr char kPoundLead = '\xC2';  // "£" is C2 A3 in UTF-8
constexpr char kPoundTrail = '\xA3';

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Position after the line end that starts at i (CR LF, LF or a lone CR).
size_t SkipLineEnd(std::string_view s, size_t i) {
  if (i < s.size() && s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') return i + 2;
  return i + 1;
}

}  // namespace

bool ParseTestPlanText(std::string_view s, RecordTable& table) {
  table.anchors_.clear();  // no row of a re-read table is the row it was
  const size_t n = s.size();
  if (static_cast<long long>(n) > kMaxPlanBytes) return false;

  // First pass: lines and commas. A line end at the very end starts no line.
  long long lines = 0, commas = 0;
  for (size_t i = 0; i < n;) {
    ++lines;
    while (i < n && !IsLineEnd(s[i])) {
      commas += s[i] == ',';
      ++i;
    }
    if (i < n) i = SkipLineEnd(s, i);
  }
  if (lines == 0) lines = 1;
  const long long cells = lines * (commas / lines + 2);
  if (static_cast<long long>(n) + cells * 4 + lines * 40 > kMaxPlanBytes) return false;
  const int rows = static_cast<int>(lines);
  const int fields = static_cast<int>(commas / lines + 1);

  // Second pass: line r fills row r; fields past the count are dropped.
  RecordTable t(rows, fields);
  const size_t stride = static_cast<size_t>(fields) + 1;
  size_t i = 0;
  for (int r = 0; r < rows && i < n; ++r) {
    size_t end = i;
    while (end < n && !IsLineEnd(s[end])) ++end;
    std::string& text = t.text_[r];
    uint32_t* e = &t.ends_[static_cast<size_t>(r) * stride];
    text.reserve(end - i);
    int f = 1;
    size_t run = i;  // start of characters not yet copied
    for (size_t k = i; k < end; ++k) {
      char c = s[k];
      if (c == ',') {
        text.append(s.data() + run, k - run);
        run = k + 1;
        e[f] = static_cast<uint32_t>(text.size());
        if (++f > fields) break;
      } else if (c == kPoundLead && k + 1 < end && s[k + 1] == kPoundTrail) {
        text.append(s.data() + run, k - run);
        text.push_back(',');
        run = k + 2;
        ++k;
      }
    }
    if (f <= fields) {
      text.append(s.data() + run, end - run);
      for (int g = f; g <= fields; ++g) e[g] = static_cast<uint32_t>(text.size());
    }
    i = end < n ? SkipLineEnd(s, end) : n;
  }
  table = std::move(t);
  return true;
}

void FormatTestPlanText(const RecordTable& t, std::string& out) {
  const size_t stride = static_cast<size_t>(t.fields_) + 1;
  size_t size = 0;
  for (const std::string& text : t.text_) {
    size_t inner = 0;
    for (char c : text) inner += c == ',';
    size += text.size() + inner + static_cast<size_t>(t.fields_ - 1) + 2;
  }
  out.clear();
  out.reserve(size);
  for (size_t r = 0; r < t.text_.size(); ++r) {
    const std::string& text = t.text_[r];
    const uint32_t* e = &t.ends_[r * stride];
    for (int f = 1; f <= t.fields_; ++f) {
      // The field's text with every "," written as "£".
      const char* p = text.data() + e[f - 1];
      const char* stop = text.data() + e[f];
      while (p < stop) {
        const char* comma = static_cast<const char*>(std::memchr(p, ',', stop - p));
        if (!comma) {
          out.append(p, stop);
          break;
        }
        out.append(p, comma);
        out += "\xC2\xA3";
        p = comma + 1;
      }
      if (f < t.fields_) out.push_back(',');
    }
    out += "\r\n";
  }
}

bool YRM_ReadTestPlan(const std::string& file) {
  std::string bytes;
  long long size = pf::FileSize(file);
  RecordTable table;
  if (size > kMaxPlanBytes || !pf::FileExists(file) || !pf::ReadFileBytes(file, bytes) ||
      !ParseTestPlanText(bytes, table)) {
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
