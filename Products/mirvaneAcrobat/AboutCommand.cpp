#include "AboutCommand.h"

#include <cstdio>
#include <string>

#include "HostInterface/HostInterface.h"
#include "ModuleStatics.h"

namespace {

constexpr char kParentMenu[] = "AboutExtensions";
constexpr char kItemTitle[] = "TRIVO Player...";
constexpr char kItemName[] = "LitAboutTRIVOPlayerReader";
constexpr ASInt32 kAppendPosition = 9999;
// Room for both lines; the resource suffix is the only part of unbounded length.
constexpr size_t kAboutTextSize = 4096;

void HOSTCALL AboutAction(void*) {
  ShowAbout();
}

void AddItem(AVMenu menu) {
  const AVMenuItem item = AVMenuItemNew(kItemTitle, kItemName, nullptr, ASFalse, 0, 0, nullptr,
                                        gHostBinding.extensionId);
  AVMenuItemSetExecuteProc(
      item, ASCallbackCreate(gHostBinding.extensionId, reinterpret_cast<void*>(&AboutAction)),
      nullptr);
  AVMenuAddMenuItem(menu, item, kAppendPosition);
}

}  // namespace

void AddAboutMenuItem() {
  // The menu is acquired inside the frame, so that it goes back to the viewer on every
  // road, even when pushing the frame fails.
  AVMenu volatile menu = nullptr;
  HostExceptionFrame frame;
  HOST_DURING(frame)
  menu = AVMenubarAcquireMenuByName(AVAppGetMenubar(), kParentMenu);
  if (menu != nullptr) AddItem(menu);
  HOST_HANDLER
  const ASErrorCode code = ASGetExceptionErrorCode();
  ReleaseOnce(menu, AVMenuRelease);
  ASRaise(code);
  HOST_END_HANDLER
  ReleaseOnce(menu, AVMenuRelease);
}

void ShowAbout() {
  // The texts are made and freed before the viewer is called, so an error there leaks none.
  char text[kAboutTextSize];
  {
    const std::string product = TheProductIdentity().ProductLine();
    const std::string build = TheProductIdentity().BuildLine();
    std::snprintf(text, sizeof text, "%s\n%s", product.c_str(), build.c_str());
  }
  AVAlertNote(text);
}
