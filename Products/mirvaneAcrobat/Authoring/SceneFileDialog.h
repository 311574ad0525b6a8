// The dialog in which the user picks the scene file of a new player annotation.
#pragma once

#include <cstddef>

// The dialog's filter, in the class library's bar-separated form.
constexpr char kSceneFileFilter[] =
    "TRIVO Zorvex movo3D (*.mvn)|*.mvn|TRIVO Zorvex geometry (*.geom)|*.geom||";

// Shows the modal open-file dialog with the plug-in's module as the current resource
// source. On OK writes the full path into `path` and returns true; on cancel leaves the
// empty string there and returns false.
bool ChooseSceneFile(char* path, size_t pathSize);
