// Records of one open document and of one page of it.
#pragma once

#include "HostInterface/HostTypes.h"

class ZAruPDDoc {
 public:
  ZAruPDDoc();
  virtual ~ZAruPDDoc();
  ZAruPDDoc(const ZAruPDDoc&) = delete;
  ZAruPDDoc& operator=(const ZAruPDDoc&) = delete;
};
