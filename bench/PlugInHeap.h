// What the plug-in allocates itself, counted through the program's operator new (the
// plug-in's code is linked into the benchmark program; it calls no malloc of its own).
// A block counts as the plug-in's when it is asked for
//   - inside a plug-in procedure (between EnterPlugIn and LeavePlugIn: the benchmarks wrap
//     the handler procedures the viewer calls, and their own direct calls),
//   - while no host operation runs (refhost::Host::operationDepth == 0), and
//   - not by code of the player library or platform simulation stand-ins, which stand for
//     another module and for the operating system.
// Blocks asked for by host operations are counted apart, as the host's.
#pragma once

#include <cstddef>

namespace benchheap {

struct Figures {
  size_t plugInPeakBytes = 0;  // most bytes of the plug-in's blocks alive at once
  size_t plugInAllocations = 0;
  size_t plugInBytes = 0;    // sizes of the plug-in's blocks, summed
  size_t hostPeakBytes = 0;  // most bytes of host operations' blocks alive at once
};

// Begins a measurement: only blocks asked for from now on count.
void Start();
// Ends it and answers its figures.
Figures Stop();

void EnterPlugIn();
void LeavePlugIn();
// After a host error jumped out of a plug-in procedure past its LeavePlugIn.
void ResetPlugIn();

}  // namespace benchheap
