// The test plan in memory: one table of text fields, `records`, that every
// part showing, testing, capturing, editing, loading or saving a plan reads
// and changes in place. Rows and fields count from 1: row 1 is the plan
// header, rows 2 to Rows() are pin records, fields 1 to Fields() per row.
//
// Reads never fail: a row or field outside the table reads as empty text, and
// a number that is empty or holds no number reads as 0. Writes outside the
// table are ignored, except that a field up to kPlanFields widens a narrower
// table (every row keeps the same field count).
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "testing/state.h"

// ---- shape ------------------------------------------------------------------
constexpr int kPlanFields = 576;     // fields of a new plan
constexpr int kMaxRowChange = 1000;  // most rows one insert or delete handles

// ---- header row fields ----------------------------------------------------
constexpr int kFieldPhoto = 13;  // board photo path, "" = none
constexpr int kFieldViewX = 14;  // view centre on the photo, pixels
constexpr int kFieldViewY = 15;
constexpr int kFieldViewZoom = 16;  // decimal text

// ---- pin record fields ------------------------------------------------------
constexpr int kFieldNumber = 1;   // row index at the last capture or renumber
constexpr int kFieldVoltage = 2;  // golden settings: mV peak, ohms, Hz
constexpr int kFieldResistance = 4;
constexpr int kFieldFrequency = 6;
constexpr int kFieldDescription = 8;
constexpr int kFieldResult = 9;  // "Good", "Bad", "Untested", "NoTest"
constexpr int kFieldComponent = 10;
constexpr int kFieldPin = 11;
constexpr int kFieldNote = 12;
constexpr int kFieldPinX = 17;  // pin position on the photo, pixels
constexpr int kFieldPinY = 18;
constexpr int kFieldScanSignal = 27;  // scanner channels, 0 = off
constexpr int kFieldScanCommon = 28;
constexpr int kFieldGolden = 30;  // "Yes" when the golden block is valid

// ---- signature blocks: field base + k --------------------------------------
constexpr int kGoldenBase = 0;
constexpr int kDutBase = 288;
constexpr int kBlockRow = 1;         // row index at the capture
constexpr int kBlockVoltage = 2;     // mV peak, "mVpk" at +3
constexpr int kBlockResistance = 4;  // ohms, "ohms" at +5
constexpr int kBlockFrequency = 6;   // Hz, "Hz" at +7
constexpr int kBlockCount = 31;      // point count n
constexpr int kBlockPairs = 32;      // voltage of point i at +32 + 2(i-1), current after it
constexpr int kBlockMaxPairs = 128;  // room in a block

// ---- text forms ---------------------------------------------------------------
// Decimal digits with a leading "-" when negative.
std::string IntegerText(long long value);
// Fixed-point with ten decimals, trailing zeros and then a trailing point
// removed: 0.1f gives "0.1000000015", 2 gives "2". A value that rounds to
// zero gives "0"; a value that is no number or infinite gives "0".
std::string DecimalText(float value);
// Number readers used by the field accessors: leading blanks are skipped; an
// empty text or one that does not start with a number gives 0. IntegerValue
// takes the integer part and saturates; DecimalValue is always finite.
int IntegerValue(std::string_view text);
float DecimalValue(std::string_view text);

// ---- the table ---------------------------------------------------------------
// Memory follows content: a row as read from a file is held as its line's
// text, up to its last non-empty field, with a mark every few fields, all
// rows in the one block the read filled; a row changed since holds its own
// text and the ends of its fields up to its last non-empty one.
class RecordTable {
 public:
  RecordTable();                      // one row of kPlanFields empty fields
  RecordTable(int rows, int fields);  // all fields empty; each at least 1

  int Rows() const { return rows_; }      // L, at least 1
  int Fields() const { return fields_; }  // F, at least 1

  std::string Field(int row, int field) const;
  // The same text without a copy; valid until the table next changes.
  std::string_view FieldView(int row, int field) const;
  // How many fields all tables have handed out so far: the work of those who
  // read them, counted for tests and benchmarks.
  static uint64_t FieldReads() { return fieldReads_; }
  int FieldInt(int row, int field) const { return IntegerValue(FieldView(row, field)); }
  float FieldFloat(int row, int field) const { return DecimalValue(FieldView(row, field)); }

  // Stores text; a CR or LF in it is stored as a blank, since a field must
  // stay on its row's line in the file. Returns false when nothing was stored
  // (row outside 1..Rows(), field outside 1..max(Fields(), kPlanFields)).
  bool SetField(int row, int field, std::string_view text);
  bool SetFieldInt(int row, int field, long long value) { return SetField(row, field, IntegerText(value)); }
  bool SetFieldFloat(int row, int field, float value) { return SetField(row, field, DecimalText(value)); }

  // Inserts count empty rows so that the first becomes row `at`
  // (1..Rows()+1). Deletes rows first..first+count-1 (all inside the table).
  // Both return false, changing nothing, for arguments out of range.
  bool InsertRows(int at, int count);
  bool DeleteRows(int first, int count);
  // Makes every row `fields` wide (never narrower); new fields are empty.
  void Widen(int fields);

  // Row anchors follow a row through insertions and deletions, so whoever
  // holds one finds the row again after the table changed shape. A new,
  // replaced or re-read table has none.
  int AddAnchor(int row);           // a handle; the row must be in the table
  int AnchorRow(int handle) const;  // the row now; 0 once deleted or unknown
  void ClearAnchors() { anchors_.clear(); }

  // What changed, for those that keep something drawn from the table (the
  // result trees, the board view's pins, the result counts). Shape() is new
  // whenever the table is made, copied, replaced or re-read, or rows are
  // added or removed. EditCount() counts the changes of the fields in
  // kTrackedFields since then; EditsSince gives the edits after the count
  // `since`, oldest first, or false when the table no longer knows them all
  // (the reader then looks at every row).
  // What the trees show of a row: its result, component, pin, note and golden
  // flag; and where the board view draws its pin.
  static constexpr std::array<int, 7> kTrackedFields = {kFieldResult, kFieldComponent, kFieldPin, kFieldNote,
                                                        kFieldGolden, kFieldPinX,      kFieldPinY};
  struct Edit {
    int row, field;
  };
  uint64_t Shape() const { return log_.shape; }
  uint64_t EditCount() const { return log_.edits; }
  bool EditsSince(uint64_t since, std::vector<Edit>& edits) const;

  // Checks the internal layout; the fuzz target and tests use it.
  bool Valid() const;
  // Equal content; anchors and the way rows are held are not content.
  bool operator==(const RecordTable& o) const;

 private:
  // One entry per row: kEmptyRow, the position of the row's record in pool_
  // (a row as a file held it), or kOwnedRow | its index in owned_ (a row
  // changed since).
  static constexpr uint32_t kEmptyRow = 0xFFFFFFFFu;
  static constexpr uint32_t kOwnedRow = 0x80000000u;
  static constexpr size_t kNarrowText = 0xFFFE;  // the longest text with 16-bit marks
  static constexpr uint32_t kMarkEvery = 8;

  // A record in pool_: a flags byte (kWide, kCommas), the text's length and
  // the count of fields kept, the text, then a mark for every kMarkEvery
  // fields. The text holds fields 1..used joined by "\n", a byte no field
  // holds; mark j tells where field j * kMarkEvery + 1 starts, and a field is
  // found from the mark before it. Length, count and marks are uint16, uint32
  // when wide. With kCommas some field holds a "," (a "£" of its line).
  // Fields after `used` are empty.
  static constexpr unsigned char kWide = 2, kCommas = 1;
  struct Packed {
    const unsigned char* marks;
    const char* text;
    uint32_t used, length;
    bool wide, commas;
    uint32_t Marks() const { return used ? (used - 1) / kMarkEvery : 0; }
    uint32_t Mark(uint32_t j) const {
      return GetNumber(marks + (wide ? 4 : 2) * (j - 1), wide);
    }  // j in 1..Marks()
    std::string_view Field(uint32_t f) const;
  };
  // A row changed since the read: its fields back to back, the end of field f
  // at ends[f - 1]; fields after ends.size() are empty.
  struct Owned {
    std::string text;
    std::vector<uint32_t> ends;
  };
  // The bytes of the records a read made, allocated once at their largest
  // possible size (pages are taken only as they are written) and trimmed to
  // what they took.
  class Pool {
   public:
    Pool() = default;
    ~Pool();
    Pool(const Pool& o);
    Pool& operator=(const Pool& o);
    Pool(Pool&& o) noexcept;
    Pool& operator=(Pool&& o) noexcept;
    bool Reserve(size_t bytes);  // drops what was held; false when no memory
    void Trim();                 // gives back the unused capacity
    char* data = nullptr;
    size_t size = 0, capacity = 0;
  };

  Packed Unpack(uint32_t at) const;
  uint32_t Used(int row) const;  // stored fields of a row
  Owned& MakeOwned(int row);     // the row as an owned one, converted when packed
  void Release(uint32_t entry);

  // A number of a record (its length, its field count, a mark), uint32 when
  // wide, else uint16; the plan reader writes records with it.
  static void PutNumber(unsigned char* at, uint32_t value, bool wide);
  static uint32_t GetNumber(const unsigned char* at, bool wide);
  // Cuts a row as read to its first `fields` fields, in place.
  void CutRecord(int row, uint32_t fields);

  // The last edits of tracked fields, by their count modulo the size. A copy
  // or an assignment is a new shape with no edits.
  struct ChangeLog {
    static constexpr size_t kKept = 256;
    static uint64_t NewShape();
    ChangeLog() : shape(NewShape()) {}
    ChangeLog(const ChangeLog&) : shape(NewShape()) {}
    ChangeLog& operator=(const ChangeLog&) {
      shape = NewShape();
      edits = 0;
      return *this;
    }
    void Edited(int row, int field) { kept[edits++ % kKept] = {row, field}; }
    uint64_t shape;
    uint64_t edits = 0;
    std::array<Edit, kKept> kept{};
  };

  inline static uint64_t fieldReads_ = 0;
  int rows_ = 1;
  int fields_ = 1;
  ChangeLog log_;
  std::vector<uint32_t> row_;
  Pool pool_;
  std::vector<Owned> owned_;
  std::vector<uint32_t> freeOwned_;  // slots of owned_ of deleted rows
  std::vector<int> anchors_;         // anchored rows by handle, 0 = gone

  friend class PlanReader;
  friend void FormatTestPlanText(const RecordTable& table, std::string& out);
};

// The current test plan.
inline RecordTable records;

// Where something drawn from `records` (the trees, the counts, the pin index)
// stands in the table's history.
struct RecordsSeen {
  uint64_t shape = 0, edits = 0;
  // In step with the table as it is now.
  void Now() {
    shape = records.Shape();
    edits = records.EditCount();
  }
  // The edits since; false when every row must be looked at again.
  bool Edits(std::vector<RecordTable::Edit>& since) const {
    return shape == records.Shape() && records.EditsSince(edits, since);
  }
  bool Outdated() const { return shape != records.Shape() || edits != records.EditCount(); }
};

// Start-up's empty plan: one header row of kPlanFields empty fields.
void SetRecordsStartValues();

// ---- signature blocks (base kGoldenBase or kDutBase) ---------------------------
// The block's point count, limited to 0..kBlockMaxPairs.
int BlockPointCount(int row, int base);
// Fills points 1..n of v and i (n as BlockPointCount) and returns n.
int ReadSignatureBlock(int row, int base, Signature& v, Signature& i);
// Writes row index, settings (rounded to integers, ties to even) with their units, count n and points 1..n
// (n limited to 0..kBlockMaxPairs). The fields after point n are left as they are.
void WriteSignatureBlock(int row, int base, float millivolts, float ohms, float hertz, const Signature& v,
                         const Signature& i, int n);

// ---- row operations on `records` and `currentrecord` -----------------------
// count limited to 1..1000; the rows go right after `currentrecord`, which
// then points at the first of them.
void YRM_InsertRecordsAfter(int count);
// One empty row at `currentrecord`, which then points at it; nothing happens
// at the header.
void YRM_InsertRecordBefore();
// Removes count rows (1..1000, at most those left) from `currentrecord` on;
// the header is never removed. `currentrecord` stays inside the table.
void YRM_DeleteRecords(int count);
// Field 1 of every row becomes the row's index.
void YRM_RenumberRecords();
