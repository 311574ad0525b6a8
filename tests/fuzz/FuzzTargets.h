// The fuzz targets, each a plain function of the input bytes: the libFuzzer entry points
// and the corpus replay test call the same functions. A target aborts the process when a
// check fails and answers 0 otherwise.
#pragma once

#include <cstddef>
#include <cstdint>

// MakeSceneFileName and DeriveSceneNames with arbitrary bytes, sizes and code pages.
int RunSceneFileNameInput(const uint8_t* data, size_t size);

// A player annotation decoded from the input, on a document opened after start-up in a
// fresh reference host, driven through drawing, clicks, selection, keys, undo and redo,
// and closed.
int RunPlayerAnnotInput(const uint8_t* data, size_t size);
