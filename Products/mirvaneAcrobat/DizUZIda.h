// Records of one open document and of one page of it: the page records hold the live
// player windows of their page.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "HostInterface/HostTypes.h"
#include "PlayerWindow/PlayerWindow.h"

// Host handles are compared as unsigned numbers.
struct HostHandleLess {
  template <typename T>
  bool operator()(T x, T y) const {
    return reinterpret_cast<uintptr_t>(x) < reinterpret_cast<uintptr_t>(y);
  }
};

class ZAruPDPage {
 public:
  explicit ZAruPDPage(PDPage page);
  // Deletes the window objects it still holds (module unload); the player library is not
  // called, since document close has destroyed the players already.
  virtual ~ZAruPDPage();
  ZAruPDPage(const ZAruPDPage&) = delete;
  ZAruPDPage& operator=(const ZAruPDPage&) = delete;

  PDPage Page() const { return m_page; }
  // Whether some entry's annotation has the same two words and its window is still there.
  bool HasPlayer(PDAnnot annot) const;
  // Adds an entry for a new window; the record owns it from now on. Always true.
  bool AddPlayer(PDAnnot annot, CPlayerWnd* window);
  // Destroys the annotation's window, if it has one (the player library is told first).
  void DeletePlayer(PDAnnot annot);
  // Every window of the page in entry order: destroy (the record is empty afterwards),
  // hide, or show and move over its annotation in `view`. Placing first destroys the
  // window of an annotation that is no longer on the page, whatever took it away, so no
  // window stays over a vanished annotation and its rectangle is never asked for again;
  // and it lets go of an entry whose window someone else destroyed (its player was told
  // then), so that a click can open a new one.
  void DeleteAllPlayers();
  void HideAllPlayers();
  void PlaceAllPlayers(AVPageView view);
  size_t PlayerCount() const { return m_vecPlayers.size(); }

 private:
  PDPage m_page;
  std::vector<PlayerWindowEntry> m_vecPlayers;
};

class ZAruPDDoc {
 public:
  ZAruPDDoc();
  virtual ~ZAruPDDoc();
  ZAruPDDoc(const ZAruPDDoc&) = delete;
  ZAruPDDoc& operator=(const ZAruPDDoc&) = delete;

  // A new empty record for the page; false, and nothing changes, when it has one.
  bool AddPage(PDPage page);
  ZAruPDPage* GetPage(PDPage page) const;  // null when the page has no record
  // Every page record in ascending page-handle order.
  void DeleteAllPlayers();
  void HideAllPlayers();
  size_t PageCount() const { return m_mapPages.size(); }

 private:
  std::map<PDPage, ZAruPDPage*, HostHandleLess> m_mapPages;
};
