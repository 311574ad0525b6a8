// The player control library: four C functions, linked at load time and imported by
// name. Every function takes the player window's handle first; the plug-in reads none of
// their results.
#pragma once

#if defined(_WIN32)
#if defined(MIRVANE_PLAYER_CONTROL_BUILD)
#define MVN_API __declspec(dllexport)
#else
#define MVN_API __declspec(dllimport)
#endif
#else
#define MVN_API __attribute__((visibility("default")))
#endif

extern "C" {

// Attaches the player to `window`; `reserved` is always 0.
MVN_API int mvnCreateGUI(void* window, int reserved);
// Has the player load the scene file at `path` (NUL-terminated, system code page).
MVN_API int mvnSetFileName(void* window, char* path);
// The player area inside the window, as edges in the window's client coordinates.
MVN_API int mvnMoveWindow(void* window, int left, int top, int right, int bottom);
// Detaches the player before its window is destroyed.
MVN_API int mvnDeleteGUI(void* window);
}
