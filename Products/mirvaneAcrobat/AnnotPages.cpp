#include "AnnotPages.h"

#include "HostInterface/HostInterface.h"

namespace {

// One of the two conversions: a page rectangle (`rect`), or the annotation's own.
struct Conversion {
  const ASFixedRect* rect;
  PDAnnot annot;
  AVDevRect* device;
};

void Convert(AVPageView view, const Conversion& conversion) {
  if (conversion.rect != nullptr)
    AVPageViewRectToDevice(view, conversion.rect, conversion.device);
  else
    AVPageViewGetAnnotRect(view, conversion.annot, conversion.device);
}

void ConvertOnPage(AVPageView view, PDPage page, const Conversion& conversion) {
  // The view's logical page already: nothing to set (always so in the single-page layout).
  if (AVPageViewGetPage(view) == page) {
    Convert(view, conversion);
    return;
  }
  volatile ASInt32 before = -1;
  HostExceptionFrame frame;
  HOST_DURING(frame)
  before = AVPageViewSetPageNum(view, PDPageGetNumber(page));
  Convert(view, conversion);
  HOST_HANDLER
  const ASErrorCode code = ASGetExceptionErrorCode();
  if (before != -1) AVPageViewSetPageNum(view, before);
  ASRaise(code);
  HOST_END_HANDLER
  AVPageViewSetPageNum(view, before);
}

}  // namespace

PDPage AnnotPageInView(AVPageView view, PDAnnot annot) {
  const PDPage page = AVPageViewGetVisibleAnnotPage(view, annot);
  return page != nullptr ? page : AVPageViewGetPage(view);
}

void PageRectToDevice(AVPageView view, PDPage page, const ASFixedRect* rect, AVDevRect* device) {
  const PDAnnot none = {0, 0};
  ConvertOnPage(view, page, Conversion{rect, none, device});
}

void AnnotRectToDevice(AVPageView view, PDPage page, PDAnnot annot, AVDevRect* device) {
  ConvertOnPage(view, page, Conversion{nullptr, annot, device});
}

bool PageIsVisible(AVPageView view, PDPage page) {
  return AVPageViewPageNumIsVisible(view, PDPageGetNumber(page)) != 0;
}
