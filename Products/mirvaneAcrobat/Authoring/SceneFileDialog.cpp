#include "Authoring/SceneFileDialog.h"

#include "HostInterface/HostBinding.h"
#include "Platform.h"

bool ChooseSceneFile(char* path, size_t pathSize) {
  if (path == nullptr || pathSize == 0) return false;
  path[0] = '\0';
  // The dialog's resources are the plug-in's own; the setting stays after the dialog.
  platform::SetCurrentResourceHandle(gHostBinding.moduleInstance);
  if (!platform::ShowOpenFileDialog(kSceneFileFilter, platform::kOpenFileHideReadOnly, path,
                                    pathSize)) {
    path[0] = '\0';
    return false;
  }
  return path[0] != '\0';
}
