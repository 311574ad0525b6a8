// What a player annotation made by the creation sequence holds, checked entry by entry
// against the persisted format.
#pragma once

#include <string>
#include <vector>

#include "HostAbi.h"

namespace authoringtest {

// The placeholder's content stream, byte for byte.
extern const char kPlaceholderText[];

struct ExpectedScene {
  std::string name;   // Filename
  std::string ext;    // Subtype
  std::string bytes;  // the scene file
};

// `asCreated`: the document as the plug-in left it (entry order, Length == Size, no
// filters). Otherwise the document went through a PDF file, whose writer may reorder keys
// and compress streams; the entries, their types and values stay.
void ExpectPlayerAnnot(refhost::PDAnnot annot, const ExpectedScene& scene, bool asCreated);
// The annotation after a failed embedding: F and Version, and nothing of the scene or the
// appearance.
void ExpectAnnotWithoutScene(refhost::PDAnnot annot);

// The annotation's dictionary and every object reachable from it, except the page.
std::vector<refhost::CosObj> ReachableObjects(refhost::PDAnnot annot);

std::vector<std::string> Keys(refhost::CosObj dict);

}  // namespace authoringtest
