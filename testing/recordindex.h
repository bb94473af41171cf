// What the main window shows of every row of `records` at each step (the
// Good and Bad counts, the pins on the board view), kept in step with the
// table through its edit log: a record step then looks at the rows it
// changed, not at every row. A new, re-read or reshaped table, or more edits
// than the log keeps, is indexed afresh.
#pragma once
#include <vector>

struct ResultCounts {
  int good = 0, bad = 0;  // pin rows (2 to L) whose result is exactly "Good", exactly "Bad"
};
ResultCounts CountResults();

// The rows, 1 to L, that the board view draws a pin for in the photo window
// left..right x top..bottom (bounds included), in row order: those whose pin
// position (fields 17 and 18 as integers) lies inside and whose field 1 is
// not "delete". A row is left out when a later row at the same position has
// the same shape (a square for pin "1", else a disc): its symbol would be
// drawn over entirely.
void PinsInWindow(int left, int top, int right, int bottom, std::vector<int>& rows);
