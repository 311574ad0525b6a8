// Slot numbers of the tables the host offers: the viewer's own, generated from its
// published interface (viewer/tables.tsv). The host installs each operation under the
// name the viewer gives its slot, so an operation at the wrong slot does not compile.
// The plug-in keeps a list of its own; a test compares it with the same data.
#pragma once

#include "ViewerFacts.h"

namespace refhost {
namespace slot {

// slot::Cos::CosDictGet == 21, ...
using namespace ::viewerfacts;

// The optional trace table "ADBE:DebugWindow" (version 1) is not one of the viewer's
// published tables: slot 3 takes one trace line.
namespace DebugWindow {
enum : int { Trace = 3, Size = 8 };
}

}  // namespace slot
}  // namespace refhost
