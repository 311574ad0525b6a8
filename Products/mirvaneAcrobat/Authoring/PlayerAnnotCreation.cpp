#include "Authoring/PlayerAnnotCreation.h"

#include "AnnotPages.h"
#include "Authoring/AnnotKeys.h"
#include "Authoring/PlaceholderAppearance.h"
#include "Authoring/SceneFileDialog.h"
#include "Authoring/SceneFormat.h"
#include "HostInterface/HostInterface.h"

namespace {

constexpr ASInt32 kAnnotFlagPrint = 4;

// What the guarded sequence leaves for its handler and its caller: the new annotation and
// the placeholder's open content stream. Written inside the frame, so volatile.
struct CreationState {
  volatile ASUns32 annotA;
  volatile ASUns32 annotB;
  ASStm volatile openContent;
};

// Where a new annotation goes: a device rectangle of the page view's current page, or,
// for a re-creation, a page and a rectangle in its user space.
struct Placement {
  const AVDevRect* deviceRect;
  PDPage page;
  const ASFixedRect* pageRect;
};

void AddPlayerAnnot(AVPageView pageView, const Placement& placement, const char* scenePath,
                    char* buffer, CreationState* state) {
  PDPage page = placement.page;
  ASFixedRect pageRect;
  if (placement.deviceRect != nullptr) {
    page = AVPageViewGetPage(pageView);
    AVPageViewDeviceRectToPage(pageView, placement.deviceRect, &pageRect);
  } else {
    pageRect = *placement.pageRect;
  }
  const PDAnnot annotation =
      PDPageAddNewAnnot(page, kAddAnnotAtEnd, gHostBinding.extensionName, &pageRect);
  state->annotA = annotation.a;
  state->annotB = annotation.b;

  const CosObj annotDict = PDAnnotGetCosObj(annotation);
  const CosDoc cosDoc = PDDocGetCosDoc(PDPageGetDoc(page));
  PutDictKey(annotDict, kKeyF, CosNewInteger(cosDoc, ASFalse, kAnnotFlagPrint));
  EmbedSceneFile(annotation, pageView, scenePath);
  AttachPlaceholderAppearance(cosDoc, annotDict, buffer, &state->openContent);
}

// The dialog, then the guarded creation; a host error is shown in the note alert. Returns
// the annotation (null when the dialog was cancelled or creation failed before it).
PDAnnot AskAndCreate(AVPageView pageView, const Placement& placement, bool* answered) {
  const PDAnnot none = {0, 0};
  char scenePath[kScenePathSize];
  *answered = ChooseSceneFile(scenePath, sizeof scenePath);
  if (!*answered) return none;

  char buffer[kPlaceholderBufferSize];
  CreationState state = {0, 0, nullptr};
  HostExceptionFrame frame;
  HOST_DURING(frame)
  AddPlayerAnnot(pageView, placement, scenePath, buffer, &state);
  HOST_HANDLER
  const ASErrorCode code = ASGetExceptionErrorCode();
  if (state.openContent != nullptr) {
    const ASStm content = state.openContent;
    state.openContent = nullptr;
    ASStmClose(content);
  }
  ASGetErrorString(code, buffer, static_cast<ASInt32>(sizeof buffer));
  AVAlertNote(buffer);
  HOST_END_HANDLER
  const PDAnnot created = {state.annotA, state.annotB};
  return created;
}

}  // namespace

PDAnnot CreatePlayerAnnot(AVPageView pageView, AVDevRect deviceRect) {
  const PDAnnot none = {0, 0};
  if (deviceRect.top == deviceRect.bottom || deviceRect.right == deviceRect.left) return none;
  bool answered = false;
  const PDAnnot created =
      AskAndCreate(pageView, Placement{&deviceRect, nullptr, nullptr}, &answered);
  if (answered) AVPageViewInvalidateRect(pageView, &deviceRect);
  return created;
}

PDAnnot CreatePlayerAnnotOnPage(AVPageView pageView, PDPage page, ASFixedRect pageRect) {
  const PDAnnot none = {0, 0};
  if (page == nullptr || pageRect.left == pageRect.right || pageRect.top == pageRect.bottom)
    return none;
  bool answered = false;
  const PDAnnot created = AskAndCreate(pageView, Placement{nullptr, page, &pageRect}, &answered);
  if (answered) InvalidatePageRect(pageView, page, pageRect);
  return created;
}

void InvalidatePageRect(AVPageView pageView, PDPage page, ASFixedRect pageRect) {
  // A view that does not show the page has nothing there to redraw.
  if (!PageIsVisible(pageView, page)) return;
  AVDevRect deviceRect;
  PageRectToDevice(pageView, page, &pageRect, &deviceRect);
  AVPageViewInvalidateRect(pageView, &deviceRect);
}
