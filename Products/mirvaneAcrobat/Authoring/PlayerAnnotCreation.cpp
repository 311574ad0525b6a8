#include "Authoring/PlayerAnnotCreation.h"

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

void AddPlayerAnnot(AVPageView pageView, const AVDevRect* deviceRect, const char* scenePath,
                    char* buffer, CreationState* state) {
  const PDPage page = AVPageViewGetPage(pageView);
  ASFixedRect pageRect;
  AVPageViewDeviceRectToPage(pageView, deviceRect, &pageRect);
  const PDAnnot annotation = PDPageAddNewAnnot(page, gHostBinding.extensionName, &pageRect);
  state->annotA = annotation.a;
  state->annotB = annotation.b;

  const CosObj annotDict = PDAnnotGetCosObj(annotation);
  const CosDoc cosDoc = PDDocGetCosDoc(PDPageGetDoc(page));
  CosDictPutKeyString(annotDict, kKeyF, CosNewInteger(cosDoc, ASFalse, kAnnotFlagPrint));
  EmbedSceneFile(annotation, pageView, scenePath);
  AttachPlaceholderAppearance(cosDoc, annotDict, buffer, &state->openContent);
}

}  // namespace

PDAnnot CreatePlayerAnnot(AVPageView pageView, AVDevRect deviceRect) {
  const PDAnnot none = {0, 0};
  if (deviceRect.top == deviceRect.bottom || deviceRect.right == deviceRect.left) return none;
  char scenePath[kScenePathSize];
  if (!ChooseSceneFile(scenePath, sizeof scenePath)) return none;

  char buffer[kPlaceholderBufferSize];
  CreationState state = {0, 0, nullptr};
  HostExceptionFrame frame;
  HOST_DURING(frame)
  AddPlayerAnnot(pageView, &deviceRect, scenePath, buffer, &state);
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

  AVPageViewInvalidateRect(pageView, &deviceRect);
  const PDAnnot created = {state.annotA, state.annotB};
  return created;
}
