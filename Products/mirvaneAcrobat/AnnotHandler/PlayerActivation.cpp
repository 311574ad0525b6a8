#include "AnnotHandler/PlayerActivation.h"

#include <cstdio>

#include "AnnotHandler/SceneExtraction.h"
#include "AnnotPages.h"
#include "AnnotHandler/SceneFileName.h"
#include "Authoring/SceneFormat.h"
#include "HostInterface/HostInterface.h"
#include "ModuleStatics.h"
#include "Platform.h"
#include "TRIVOPlayerControl.h"

namespace {

constexpr char kSource[] = "mirvaneAnnotHandler";
constexpr int kLineNoDocRecord = 569;

constexpr char kAlertDamagedScene[] =
    "The 3D scene of this player annotation is missing or damaged, so it cannot be played.";
constexpr char kAlertNoTempFolder[] =
    "The 3D scene cannot be played: the system's temporary folder could not be determined.";
constexpr char kAlertNoWindow[] =
    "The 3D scene cannot be played: no player window could be opened.";

// Tells the user why the scene is not played, naming the file where there is one.
void AlertExtractionFailure(ExtractResult result, const char* path) {
  if (result == ExtractResult::NoTempFolder) {
    AVAlertNote(kAlertNoTempFolder);
    return;
  }
  char text[kScenePathSize + 160];
  if (result == ExtractResult::TooLarge)
    std::snprintf(text, sizeof text,
                  "The 3D scene cannot be played: it is larger than 2 GB, which a scene file "
                  "cannot be.\n%s",
                  path);
  else
    std::snprintf(text, sizeof text,
                  "The 3D scene cannot be played: it could not be written to the temporary "
                  "folder.\n%s",
                  path);
  AVAlertNote(text);
}

}  // namespace

ASBool ActivatePlayerAnnot(PDAnnot annot, AVPageView view, ASInt32 clickCount) {
  if (clickCount != 1) return ASTrue;

  // The annotation's page, which need not be the view's: its record keeps the window.
  const PDPage page = AnnotPageInView(view, annot);
  ZAruPDDoc* doc = TheDocManager().GetDoc(PDPageGetDoc(page));
  if (doc == nullptr) {
    platform::ReportAssertion("pDoc", kSource, kLineNoDocRecord);
    return ASTrue;
  }
  if (const ZAruPDPage* record = TheDocManager().GetPage(page))
    if (record->HasPlayer(annot)) return ASTrue;  // its player is live already

  PlayerWindowPlan plan;
  if (!PlanPlayerWindow(view, page, annot, &plan)) return ASTrue;  // the view has no window

  // Everything that reads the document, and may fail, comes before the window opens, so
  // that a damaged scene or a failed write never leaves a window behind.
  CosObj scene;
  char baseName[kSceneNameSize];
  char extension[kSceneNameSize];
  if (!ReadSceneNames(annot, &scene, baseName, extension)) {
    AVAlertNote(kAlertDamagedScene);
    return ASTrue;
  }
  char fileName[kMaxSceneBaseName + kMaxSceneExtension + 8];
  MakeSceneFileName(baseName, extension, fileName, sizeof fileName);
  char path[kScenePathSize] = "";
  const ExtractResult extracted = ExtractEmbeddedScene(scene, fileName, path, sizeof path);
  if (extracted != ExtractResult::Written) {
    AlertExtractionFailure(extracted, path);
    return ASTrue;
  }

  CPlayerWnd* window = OpenPlayerWindow(plan);
  if (window == nullptr) {
    AVAlertNote(kAlertNoWindow);
    return ASTrue;
  }
  mvnSetFileName(window->GetSafeHwnd(), path);
  // From here on no host call is made, so the window cannot be left unregistered.
  doc->AddPage(page);
  doc->GetPage(page)->AddPlayer(annot, window);
  return ASTrue;
}
