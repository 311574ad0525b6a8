// The installer's check for the player library. The package does not carry the library
// (it is the player maker's), so while it installs it looks where the viewer's process
// will look when it loads the plug-in from its plug-ins folder: the viewer's program folder
// (the folder of the executable that loads the module), the system folder of the viewer's
// bitness (SysWOW64 for the 32-bit package on 64-bit Windows), the Windows
// folder and the folders of PATH. The plug-in's own folder is not among them: Windows
// looks for a module's load-time imports beside the program, not beside the module.
// When the library is in none of them, the user is told (a warning: shown by an
// interactive install, written to the log of a silent one); the install goes on.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <string>
#include <vector>

#include "SystemFolder.h"

namespace {

constexpr char kLibrary[] = "TRIVOPlayerControl.dll";

// The plug-ins folders this install puts the module into: the folder of each module
// component that is being installed.
const char* const kModuleComponents[][2] = {{"ReaderModule", "READERPLUGINS"},
                                            {"AcrobatModule", "ACROBATPLUGINS"},
                                            {"CustomModule", "CUSTOMPLUGINS"}};

std::string TargetPath(MSIHANDLE install, const char* directory) {
  char buffer[MAX_PATH * 2] = "";
  DWORD size = sizeof buffer;
  if (MsiGetTargetPathA(install, directory, buffer, &size) != ERROR_SUCCESS) return "";
  return buffer;
}

std::string WithSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder;
}

// The folder that holds `folder` (with a trailing separator), or empty.
std::string ParentFolder(const std::string& folder) {
  std::string path = folder;
  while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool IsFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Adds `folder` unless it is there already (folder names are compared without case).
void AddFolder(std::vector<std::string>* folders, const std::string& folder) {
  for (const std::string& known : *folders)
    if (lstrcmpiA(known.c_str(), folder.c_str()) == 0) return;
  folders->push_back(folder);
}

std::vector<std::string> SearchedFolders(const std::string& programFolder) {
  std::vector<std::string> folders;
  if (!programFolder.empty()) AddFolder(&folders, programFolder);
  char buffer[MAX_PATH] = "";
  const std::string system = SystemFolderOfThisBitness();
  if (!system.empty()) AddFolder(&folders, WithSeparator(system));
  if (GetWindowsDirectoryA(buffer, MAX_PATH) != 0) AddFolder(&folders, WithSeparator(buffer));
  const DWORD needed = GetEnvironmentVariableA("PATH", nullptr, 0);
  if (needed != 0) {
    std::string path(needed, '\0');
    const DWORD length = GetEnvironmentVariableA("PATH", &path[0], needed);
    path.resize(length);
    size_t start = 0;
    while (start <= path.size()) {
      const size_t end = path.find(';', start);
      const std::string folder =
          path.substr(start, end == std::string::npos ? std::string::npos : end - start);
      if (!folder.empty()) AddFolder(&folders, WithSeparator(folder));
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  return folders;
}

void Tell(MSIHANDLE install, INSTALLMESSAGE kind, const std::string& text) {
  PMSIHANDLE record = MsiCreateRecord(1);
  MsiRecordSetStringA(record, 0, "[1]");
  MsiRecordSetStringA(record, 1, text.c_str());
  MsiProcessMessage(install, kind, record);
}

std::string Property(MSIHANDLE install, const char* name) {
  char buffer[MAX_PATH * 2] = "";
  DWORD size = sizeof buffer;
  if (MsiGetPropertyA(install, name, buffer, &size) != ERROR_SUCCESS) return "";
  return buffer;
}

}  // namespace

// Also says when a registered Reader is left alone: Reader loads only plug-ins enabled for
// it, and a package whose module is not does not put it there.
extern "C" __declspec(dllexport) UINT __stdcall CheckPlayerLibrary(MSIHANDLE install) {
  const std::string reader = Property(install, "READERDIR");
  if (!reader.empty() && Property(install, "READERENABLED") != "1" &&
      Property(install, "PLUGINDIR").empty())
    Tell(install, INSTALLMESSAGE_WARNING,
         "Adobe Reader loads only plug-ins that are enabled for Reader, and the KXTRIVOPlayer "
         "plug-in in this package is not: it was not installed into the Reader in " +
             reader + ". Acrobat loads it.");
  for (const auto& component : kModuleComponents) {
    INSTALLSTATE installed = INSTALLSTATE_UNKNOWN, action = INSTALLSTATE_UNKNOWN;
    const UINT status = MsiGetComponentStateA(install, component[0], &installed, &action);
    if (status != ERROR_SUCCESS || action != INSTALLSTATE_LOCAL) continue;
    const std::string plugins = WithSeparator(TargetPath(install, component[1]));
    const std::string program = ParentFolder(plugins);
    std::string found;
    std::string searched;
    for (const std::string& folder : SearchedFolders(program)) {
      if (IsFile(folder + kLibrary)) {
        found = folder + kLibrary;
        break;
      }
      searched += (searched.empty() ? "" : ", ") + folder;
    }
    if (!found.empty()) {
      Tell(install, INSTALLMESSAGE_INFO,
           "KXTRIVOPlayer: the player library for " + plugins + " is " + found);
      MsiSetPropertyA(install, "PLAYERLIBRARY", found.c_str());
      continue;
    }
    Tell(install, INSTALLMESSAGE_WARNING,
         "The player library " + std::string(kLibrary) + " was not found where the viewer " +
             "will look for it when it loads the plug-in from " + plugins + ": " + searched +
             ". The plug-in is installed, but the viewer will not load it until the player " +
             "library, which comes from the player's maker, is in the viewer's program folder " +
             program + " (or the system folder, or a folder on PATH).");
    MsiSetPropertyA(install, "PLAYERLIBRARY", "missing");
  }
  return ERROR_SUCCESS;
}
