// The name and extension under which a scene file is stored in its embedded stream.
#pragma once

#include <cstddef>

// Splits the file part of `path` (the text after the last `separator`) at its last dot:
// `name` gets the text before the dot, `ext` the text after it, upper-cased. Without a
// dot in the file part, `name` is the whole file part and `ext` is empty; folders never
// end up in `name`. Both searches honour double-byte characters of the current code page,
// and upper-casing follows it. Returns false (both outputs empty) when a part does not
// fit its buffer, NUL included.
bool DeriveSceneNames(const char* path, char separator, char* name, size_t nameSize, char* ext,
                      size_t extSize);
