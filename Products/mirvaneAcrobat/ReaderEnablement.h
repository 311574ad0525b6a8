// Whether this build of the module is enabled for Reader: a build its vendor signs with the
// key that the viewer's maker licenses for Reader integration. Reader loads only such
// modules; an unsigned one must decline to start in the 64-bit viewer's Reader mode.
#pragma once

extern const bool kEnabledForReader;
