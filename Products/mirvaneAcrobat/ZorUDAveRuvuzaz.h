// The registry of open documents: one record per document the viewer has opened, each
// owning the records of the pages on which players live. The viewer's document and
// page-view notifications keep it in step.
#pragma once

#include <map>

#include "DizUZIda.h"

class ZAruPDDocManager {
 public:
  ZAruPDDocManager();
  // Deletes the records still registered (module unload).
  virtual ~ZAruPDDocManager();
  ZAruPDDocManager(const ZAruPDDocManager&) = delete;
  ZAruPDDocManager& operator=(const ZAruPDDocManager&) = delete;

  // Each reports a broken invariant (document registered twice, or missing) and then
  // answers its failure value with the registry unchanged.
  bool AddDoc(PDDoc doc);
  bool RemoveDoc(PDDoc doc);  // the caller has destroyed the document's windows first
  ZAruPDDoc* GetDoc(PDDoc doc) const;
  // The record of the page, through the page's document (PDPageGetDoc); null without report
  // when the document is registered but the page has no record.
  ZAruPDPage* GetPage(PDPage page) const;
  size_t DocCount() const { return m_mapDocs.size(); }

 private:
  std::map<PDDoc, ZAruPDDoc*, HostHandleLess> m_mapDocs;
};

// Notification handlers, registered at start-up; each reads only its first argument.
void HOSTCALL OnPageViewChanged(AVPageView view, ASInt16 how, void* clientData);
void HOSTCALL OnDocClosing(PDDoc doc, void* clientData);
void HOSTCALL OnDocOpened(PDDoc doc, ASInt32 error, void* clientData);
