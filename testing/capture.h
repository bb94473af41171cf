// Captured signatures stored in pin records, and results set by hand.
#pragma once

// Writes the live signature with the applied settings into the golden block
// (kSlotGolden) or the DUT block (any other slot) of a row.
void YRM_StoreSignatureInRecord(int row, int slot);
// GOOD/CAPTURE: a golden capture with "Edit/Capture signature" ticked, else
// the DUT signature and "Good"; only in "Advanced".
void YRM_CaptureGood();
// BAD: the DUT signature and "Bad" (not while capturing golden signatures).
void YRM_CaptureBad();
// Asks, then resets every result; YRM_ResetAllResults does it without asking.
void YRM_AskResetAllResults();
void YRM_ResetAllResults();
