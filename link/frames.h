// Register write frames and request frames to the instrument.
#pragma once
#include <cstdint>

// Builds the 8-byte write frame of register `reg` holding `value`.
void BuildWriteFrame(int reg, int64_t value, uint8_t* out);
// Builds the 8-byte request frame of register `reg`.
void BuildRequestFrame(int reg, uint8_t* out);

// Sends registers first .. first + count - 1 of paramblock in one transfer,
// after a 25 ms quiet time under linklock. GUI thread.
void YRM_WriteRegisters(int first, int count);
// Sends one request frame. The caller holds linklock.
void YRM_SendRequestFrame(int reg);
// Sends a request for register 0 when `interval` ms have passed since the
// last one. Takes linklock.
void YRM_PollInstrument(int interval);
