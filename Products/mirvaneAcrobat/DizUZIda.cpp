#include "DizUZIda.h"

#include <cstddef>

#include "HostInterface/HostInterface.h"

ZAruPDPage::ZAruPDPage(PDPage page) : m_page(page) {}

ZAruPDPage::~ZAruPDPage() {
  for (PlayerWindowEntry& entry : m_vecPlayers) delete entry.window;
}

bool ZAruPDPage::HasPlayer(PDAnnot annot) const {
  for (const PlayerWindowEntry& entry : m_vecPlayers)
    if (entry.annot == annot && entry.window->IsWindowAlive()) return true;
  return false;
}

bool ZAruPDPage::AddPlayer(PDAnnot annot, CPlayerWnd* window) {
  m_vecPlayers.push_back(PlayerWindowEntry{annot, window});
  return true;
}

void ZAruPDPage::DeletePlayer(PDAnnot annot) {
  // Every entry of the annotation: one whose window someone else destroyed may stand
  // beside the live one a later click opened.
  for (size_t i = 0; i < m_vecPlayers.size();) {
    if (m_vecPlayers[i].annot != annot) {
      ++i;
      continue;
    }
    PlayerWindowEntry gone = m_vecPlayers[i];
    m_vecPlayers.erase(m_vecPlayers.begin() + static_cast<std::ptrdiff_t>(i));
    DestroyPlayerWindow(&gone);
  }
}

void ZAruPDPage::DeleteAllPlayers() {
  for (PlayerWindowEntry& entry : m_vecPlayers) DestroyPlayerWindow(&entry);
  m_vecPlayers.clear();
}

void ZAruPDPage::HideAllPlayers() {
  for (const PlayerWindowEntry& entry : m_vecPlayers) HidePlayerWindow(entry);
}

void ZAruPDPage::PlaceAllPlayers(AVPageView view) {
  for (size_t i = 0; i < m_vecPlayers.size();) {
    if (!m_vecPlayers[i].window->IsWindowAlive() ||
        PDPageGetAnnotIndex(m_page, m_vecPlayers[i].annot) == -1) {
      PlayerWindowEntry gone = m_vecPlayers[i];
      m_vecPlayers.erase(m_vecPlayers.begin() + static_cast<std::ptrdiff_t>(i));
      DestroyPlayerWindow(&gone);
      continue;
    }
    PlacePlayerWindow(m_vecPlayers[i++], view, m_page);
  }
}

ZAruPDDoc::ZAruPDDoc() = default;

ZAruPDDoc::~ZAruPDDoc() {
  for (auto& page : m_mapPages) delete page.second;
}

bool ZAruPDDoc::AddPage(PDPage page) {
  if (m_mapPages.count(page) != 0) return false;
  m_mapPages.emplace(page, new ZAruPDPage(page));
  return true;
}

ZAruPDPage* ZAruPDDoc::GetPage(PDPage page) const {
  auto found = m_mapPages.find(page);
  return found != m_mapPages.end() ? found->second : nullptr;
}

void ZAruPDDoc::DeleteAllPlayers() {
  for (auto& page : m_mapPages) page.second->DeleteAllPlayers();
}

void ZAruPDDoc::HideAllPlayers() {
  for (auto& page : m_mapPages) page.second->HideAllPlayers();
}
