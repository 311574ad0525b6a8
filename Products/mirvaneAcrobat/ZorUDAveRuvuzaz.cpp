#include "ZorUDAveRuvuzaz.h"

#include "HostInterface/HostInterface.h"
#include "ModuleStatics.h"

namespace {

constexpr char kSource[] = "ZorUDAveRuvuzaz";
constexpr int kLineAddDoc = 19;
constexpr int kLineRemoveDoc = 32;
constexpr int kLineGetDoc = 46;

}  // namespace

ZAruPDDocManager::ZAruPDDocManager() = default;

ZAruPDDocManager::~ZAruPDDocManager() {
  for (auto& entry : m_mapDocs) delete entry.second;
  m_mapDocs.clear();
}

bool ZAruPDDocManager::AddDoc(PDDoc doc) {
  if (m_mapDocs.count(doc) != 0) {
    platform::ReportAssertion("false", kSource, kLineAddDoc);
    return false;
  }
  m_mapDocs.emplace(doc, new ZAruPDDoc);
  return true;
}

bool ZAruPDDocManager::RemoveDoc(PDDoc doc) {
  auto found = m_mapDocs.find(doc);
  if (found == m_mapDocs.end()) {
    platform::ReportAssertion("false", kSource, kLineRemoveDoc);
    return false;
  }
  delete found->second;
  m_mapDocs.erase(found);
  return true;
}

ZAruPDDoc* ZAruPDDocManager::GetDoc(PDDoc doc) const {
  auto found = m_mapDocs.find(doc);
  if (found == m_mapDocs.end()) {
    platform::ReportAssertion("false", kSource, kLineGetDoc);
    return nullptr;
  }
  return found->second;
}

ZAruPDPage* ZAruPDDocManager::GetPage(PDPage page) const {
  const ZAruPDDoc* doc = GetDoc(PDPageGetDoc(page));
  return doc != nullptr ? doc->GetPage(page) : nullptr;
}

void HOSTCALL OnPageViewChanged(AVPageView view, ASInt16, void*) {
  const PDDoc doc = PDPageGetDoc(AVPageViewGetPage(view));
  if (ZAruPDDoc* record = TheDocManager().GetDoc(doc)) record->HideAllPlayers();
}

void HOSTCALL OnDocClosing(PDDoc doc, void*) {
  if (ZAruPDDoc* record = TheDocManager().GetDoc(doc)) record->DeleteAllPlayers();
  TheDocManager().RemoveDoc(doc);
}

void HOSTCALL OnDocOpened(PDDoc doc, ASInt32, void*) {
  TheDocManager().AddDoc(doc);
}
