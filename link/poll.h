// Data frames, the poll thread and the link watchdog.
#pragma once
#include "link/frameformat.h"  // kFrameBytes

// A request goes out this often while connected (the poll thread's, and the
// calibration window's own while it is open).
constexpr int kPollIntervalMs = 250;

// The poll thread's body: runs while workerstop is 0.
void YRM_WorkerThread();
// Reads and checks every complete frame waiting. Takes linklock.
void YRM_ReadUsbFrames();
// Stops the connection when no good frame came for 2000 ms.
void YRM_CheckLinkTimeout();

// Start-up: workerstop = 0 and the poll thread starts, its handle in workerthread.
void StartPollThread();
// Tests and orderly ends: workerstop = 1 and the thread is joined.
void StopPollThread();
// Whether the poll thread is running (start-up starts it; tests may not).
bool PollThreadRunning();
// Wakes the poll thread at once (the device was opened).
void WakePollThread();
// How long the poll thread may wait before its next pass, in ms: the next
// request, reply or watchdog time (at most 250), 1 while a frame is arriving,
// 1000 while not connected (an opening wakes the thread).
int NextPollDelay();
