// The registry of open documents: one record per document the viewer has opened, each
// owning the records of the pages on which players live.
#pragma once

#include <map>

#include "DizUZIda.h"

class ZAruPDDocManager {
 public:
  ZAruPDDocManager();
  virtual ~ZAruPDDocManager();
  ZAruPDDocManager(const ZAruPDDocManager&) = delete;
  ZAruPDDocManager& operator=(const ZAruPDDocManager&) = delete;

 private:
  struct HandleLess {
    bool operator()(PDDoc x, PDDoc y) const {
      return reinterpret_cast<uintptr_t>(x) < reinterpret_cast<uintptr_t>(y);
    }
  };
  std::map<PDDoc, ZAruPDDoc*, HandleLess> m_mapDocs;
};
