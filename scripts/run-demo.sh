#!/usr/bin/env bash
# Builds the Linux configuration and runs the reference host with the plug-in.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset linux >/dev/null
cmake --build build/linux -j "$(nproc 2>/dev/null || echo 2)"
./build/linux/bin/refhost "$@"
