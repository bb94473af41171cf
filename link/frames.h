// Sending frames to the instrument: register bursts, requests and the
// timed poll request. The bytes themselves are in link/frameformat.h.
#pragma once
#include "link/frameformat.h"

// Sends registers first .. first + count - 1 of paramblock in one transfer,
// after a 25 ms quiet time under linklock. GUI thread. A burst that carries
// the sampling registers (10-12) also sets samplingms for the poll thread.
void YRM_WriteRegisters(int first, int count);
// Sends one request frame. The caller holds linklock.
void YRM_SendRequestFrame(int reg);
// Sends a request for register 0 when `interval` ms have passed since the
// last one. Takes linklock.
void YRM_PollInstrument(int interval);
