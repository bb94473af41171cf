// Test-plan files (.qvt): UTF-8 text, one line per table row, fields joined
// by "," with a "," inside a field written as "£", every line ended by CR LF.
#pragma once
#include <string>
#include <string_view>

#include "testing/records.h"

// Replaces `records` with the file's content. When the file cannot be read,
// shows "Error #0065 Cannot open .qvt file" and leaves the table as it was.
// Does not touch `currentrecord`. True when the file was read.
bool YRM_ReadTestPlan(const std::string& file);
// Writes `records` to a temporary file beside `file` and renames it over
// `file`, so a failure never leaves a half-written plan. On failure the old
// file stays whole and "Error #0064 File cannot be created" is shown.
void YRM_WriteTestPlan(const std::string& file);

// The conversions behind them, without files. The field count is the average
// number of commas per line plus one; the fields of a line beyond it are
// dropped. Parsing fails only for a table that would not fit the bound below.
bool ParseTestPlanText(std::string_view bytes, RecordTable& table);
void FormatTestPlanText(const RecordTable& table, std::string& out);

// What the whole program takes for a plan of `bytes` bytes in `lines` lines:
// the text itself, and for every row the table's entry and record head, the
// result trees' index and the rows a tree control shows (kPlanRowBytes), and
// a fixed kPlanAllowance. A plan is read only when this fits in the memory
// the system can still give (its lines are counted first when a line for
// every byte would not); otherwise it is refused as unreadable before any of
// it is taken. A plan let in is stopped only where the system can give no
// more. Plans larger than kMaxPlanBytes are never read.
constexpr long long kPlanAllowance = 8LL << 20;
constexpr long long kPlanRowBytes = 64;
constexpr long long kMaxPlanBytes = 1LL << 30;
long long PlanMemory(long long bytes, long long lines);

namespace plantest {
// PlanMemory counts `bytes` in place of kPlanAllowance, so that a small plan
// stands where only a large one would come near the bound; a negative value
// brings kPlanAllowance back.
void SetPlanAllowance(long long bytes);
}  // namespace plantest
