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
// dropped. Parsing fails only for a table larger than kMaxPlanBytes.
bool ParseTestPlanText(std::string_view bytes, RecordTable& table);
void FormatTestPlanText(const RecordTable& table, std::string& out);

// A file whose table would take more memory than this (file, field offsets
// and rows together) is refused as unreadable rather than exhausting memory;
// a 10,000-pin plan takes about 60 MB.
constexpr long long kMaxPlanBytes = 2LL << 30;
