// What a safe scene file name is, stated independently of the code that makes one: the
// fuzz targets hold every name the plug-in produces against it.
#pragma once

#include <string>

namespace fuzzoracle {

// Empty when every character of `text` may stand in a file name: no folder separator,
// drive colon, control or forbidden character outside a double-byte character, and no
// lead byte without its trail byte; otherwise why not.
std::string BadCharacterReason(const std::string& text);

// Empty when `name` is a plain file name that stays inside the folder it is joined to on
// Windows and Linux under the current code page; otherwise why it is not: empty, a folder
// separator, drive colon, control or forbidden character outside a double-byte character,
// a lead byte without its trail byte, a trailing dot or blank, or a reserved device name.
std::string UnsafeFileNameReason(const std::string& name);

// Whether Windows takes `name` for a device (CON, NUL, COM1, LPT¹, ...), whatever follows
// the stem's first dot.
bool IsReservedDeviceName(const std::string& name);

}  // namespace fuzzoracle
