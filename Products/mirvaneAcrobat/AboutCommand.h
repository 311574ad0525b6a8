// The About item: "TRIVO Player..." in the viewer's menu of plug-in About entries, which
// shows the product line and the build line.
#pragma once

// Adds the item; silently nothing when the viewer has no "AboutExtensions" menu.
void AddAboutMenuItem();

// The item's action: a note with the product line, a line feed and the build line.
void ShowAbout();
