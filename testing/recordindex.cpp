#include "testing/recordindex.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <tuple>

#include "testing/records.h"

namespace {
constexpr int kCellShift = 6;        // pins are sorted by squares of 64 photo pixels
constexpr size_t kMovesApplied = 8;  // more pins moved at once than this: sorted afresh
constexpr uint8_t kGood = 1, kBad = 2;
constexpr uint32_t kSquare = 0x80000000u;  // in a pin's key beside its row: drawn as a square

struct Pin {
  int x, y;
  uint32_t key;  // the row, with kSquare for pin "1"
  int Row() const { return static_cast<int>(key & ~kSquare); }
};

// Pins by the row of cells, the cell, the position and the shape: the pins
// of one place and shape stand together. Rows play no part.
bool PlaceBefore(const Pin& a, const Pin& b) {
  return std::make_tuple(a.y >> kCellShift, a.x >> kCellShift, a.y, a.x, a.key & kSquare) <
         std::make_tuple(b.y >> kCellShift, b.x >> kCellShift, b.y, b.x, b.key & kSquare);
}
// The same, then by row.
bool Before(const Pin& a, const Pin& b) {
  return std::make_tuple(a.y >> kCellShift, a.x >> kCellShift, a.y, a.x, a.key) <
         std::make_tuple(b.y >> kCellShift, b.x >> kCellShift, b.y, b.x, b.key);
}

uint8_t resultCode(std::string_view result) { return result == "Good" ? kGood : result == "Bad" ? kBad : 0; }

Pin pinOf(int row) {
  const uint32_t square = records.FieldView(row, kFieldPin) == "1" ? kSquare : 0;
  return {records.FieldInt(row, kFieldPinX), records.FieldInt(row, kFieldPinY),
          static_cast<uint32_t>(row) | square};
}

class Index {
 public:
  const ResultCounts& Counts() {
    Sync();
    return counts_;
  }

  void Pins(int left, int top, int right, int bottom, std::vector<int>& rows) {
    rows.clear();
    Sync();
    if (!placed_) Place();
    if (left > right || top > bottom) return;
    const int cy0 = top >> kCellShift, cy1 = bottom >> kCellShift;
    const int cx0 = left >> kCellShift, cx1 = right >> kCellShift;
    if (static_cast<int64_t>(cy1) - cy0 >= static_cast<int64_t>(pins_.size())) {
      Scan(pins_.begin(), pins_.end(), left, top, right, bottom, rows);
    } else {
      for (int cy = cy0; cy <= cy1; ++cy) {
        // The cells cx0 to cx1 of this row of cells.
        const auto from = std::partition_point(pins_.begin(), pins_.end(), [&](const Pin& p) {
          const int y = p.y >> kCellShift;
          return y < cy || (y == cy && (p.x >> kCellShift) < cx0);
        });
        const auto to = std::partition_point(from, pins_.end(), [&](const Pin& p) {
          const int y = p.y >> kCellShift;
          return y < cy || (y == cy && (p.x >> kCellShift) <= cx1);
        });
        Scan(from, to, left, top, right, bottom, rows);
      }
    }
    std::sort(rows.begin(), rows.end());
  }

 private:
  using Iter = std::vector<Pin>::const_iterator;

  // For each place and shape in the window, the last of its rows not being deleted.
  static void Scan(Iter from, Iter to, int left, int top, int right, int bottom, std::vector<int>& rows) {
    for (Iter it = from; it != to;) {
      Iter end = it + 1;
      if (end != to && !PlaceBefore(*it, *end)) end = std::upper_bound(end, to, *it, PlaceBefore);
      if (it->x >= left && it->x <= right && it->y >= top && it->y <= bottom) {
        for (Iter k = end; k != it;) {
          --k;
          if (records.FieldView(k->Row(), kFieldNumber) != "delete") {
            rows.push_back(k->Row());
            break;
          }
        }
      }
      it = end;
    }
  }

  // In step with the table: its edits since the last look, or every row.
  void Sync() {
    if (seen_.Edits(log_)) {
      size_t moves = 0;
      for (const RecordTable::Edit& e : log_)
        moves += e.field == kFieldPinX || e.field == kFieldPinY || e.field == kFieldPin;
      if (moves > kMovesApplied) Unplace();
      for (const RecordTable::Edit& e : log_) {
        if (e.row < 1 || e.row > records.Rows()) continue;
        if (e.field == kFieldResult) Result(e.row);
        if (placed_ && (e.field == kFieldPinX || e.field == kFieldPinY || e.field == kFieldPin)) Move(e.row);
      }
    } else {
      Rebuild();
    }
    seen_.Now();
  }

  void Rebuild() {
    Unplace();
    const int rows = records.Rows();
    code_.assign(static_cast<size_t>(rows), 0);
    counts_ = {};
    for (int row = 1; row <= rows; ++row) {
      const uint8_t code = resultCode(records.FieldView(row, kFieldResult));
      code_[static_cast<size_t>(row - 1)] = code;
      if (row >= 2) {
        counts_.good += code == kGood;
        counts_.bad += code == kBad;
      }
    }
  }

  void Result(int row) {
    uint8_t& code = code_[static_cast<size_t>(row - 1)];
    const uint8_t now = resultCode(records.FieldView(row, kFieldResult));
    if (row >= 2) {
      counts_.good += (now == kGood) - (code == kGood);
      counts_.bad += (now == kBad) - (code == kBad);
    }
    code = now;
  }

  // The pins are sorted only once a board view asks for them.
  void Place() {
    const int rows = records.Rows();
    pins_.reserve(static_cast<size_t>(rows));
    for (int row = 1; row <= rows; ++row) pins_.push_back(pinOf(row));
    std::sort(pins_.begin(), pins_.end(), Before);
    placed_ = true;
  }
  void Unplace() {
    placed_ = false;
    std::vector<Pin>().swap(pins_);
  }

  // A row's pin moved or changed its shape: where it was is not known, so it
  // is looked for.
  void Move(int row) {
    const auto was = std::find_if(pins_.begin(), pins_.end(), [row](const Pin& p) { return p.Row() == row; });
    if (was != pins_.end()) pins_.erase(was);
    const Pin pin = pinOf(row);
    pins_.insert(std::upper_bound(pins_.begin(), pins_.end(), pin, Before), pin);
  }

  RecordsSeen seen_;
  std::vector<RecordTable::Edit> log_;  // the edits of the last look
  std::vector<uint8_t> code_;           // by row - 1: the result's code
  ResultCounts counts_;
  bool placed_ = false;
  std::vector<Pin> pins_;  // every row's pin, in the order Before
};

Index recordindex;
}  // namespace

ResultCounts CountResults() { return recordindex.Counts(); }

void PinsInWindow(int left, int top, int right, int bottom, std::vector<int>& rows) {
  recordindex.Pins(left, top, right, bottom, rows);
}
