// Dictionary keys shared by the annotation handler's draw procedure, the scene writer and
// the creation sequence. The key strings are fixed at build time; the atom of "N" can only
// be made once the viewer's tables are there, so the handler's registration creates it.
#pragma once

#include "HostInterface/HostTypes.h"

constexpr char kKeyAS[] = "AS";
constexpr char kKeyAP[] = "AP";
constexpr char kKeyF[] = "F";
constexpr char kKeyLength[] = "Length";

// Atom of "N" (the normal appearance); ASAtomNull until InitAnnotKeys() has run.
extern ASAtom gAtomN;

// Creates and stores the atom of "N". Runs before any player annotation is drawn or made.
void InitAnnotKeys();
