// The plug-in's one view of the viewer: types, records, the operations by table and slot,
// the binding state and guarded sequences.
#pragma once

#include "HostTypes.h"
#include "HostRecords.h"
#include "HostBinding.h"
#include "HostTables.h"
#include "HostVersions.h"
#include "HostExceptions.h"
