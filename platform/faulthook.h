// The fault hook: catches the faults nothing handles (invalid memory access,
// bus error, arithmetic fault, illegal instruction) on any thread and hands
// the handler what can be learnt of the fault. The handler runs inside the
// fault: it may only use the services below, which neither allocate nor
// touch the toolkit.
#pragma once
#include <cstdint>

#include "platform/clock.h"

namespace pf {

struct FaultInfo {
  const char* kind;        // short text naming the kind of fault
  int32_t code;            // fault code, e.g. -1073741819 for an invalid memory access
  uint64_t codeAddress;    // address of the faulting instruction, 0 when unknown
  bool dataFault;          // an invalid memory access or bus error: the report names targetAddress
  uint64_t targetAddress;  // the address whose access failed; 0 for a signal a process sent
  uint64_t registers[8];   // accumulator, base, count, data, frame, source,
                           // destination and stack registers; 0 when unknown
};
using FaultHandler = void (*)();

// Installs `handler` for the faults of every thread of the process; it is to
// end the process. A second fault while it runs ends the process at once.
void InstallFaultHook(FaultHandler handler);
// Gives the calling thread a stack of its own for the handler, so that a
// thread whose stack is exhausted still gets its report. The installing
// thread has one already; every other thread calls this when it starts.
void PrepareFaultStack();
// Inside the handler: the fault being handled.
const FaultInfo& CurrentFault();

// ---- services safe inside the handler -------------------------------------
// Appends each of `parts` followed by CR LF to a file, creating it; false
// when it cannot be opened.
bool FaultAppendFile(const char* path, const char* const* parts, int count);
// Local date and time now (the zone offset is the one at installation).
LocalTime FaultLocalTime();
// Shows a box with an OK button in a fresh process of the program and waits
// until it is closed. Without a display the text goes to standard error.
void FaultShowBox(const char* title, const char* text);
// Ends the process at once with a non-zero status.
[[noreturn]] void FaultEnd();

// Program entry hook: when the process was started to show a fault box,
// shows it and ends; otherwise returns at once. Call first in main().
void FaultBoxMain(int argc, char** argv);

}  // namespace pf
