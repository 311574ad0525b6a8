#!/usr/bin/env bash
# Fails when a C++ source of ours differs from the checked-in .clang-format style.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h')
clang-format --dry-run --Werror $files
echo "format: $(echo "$files" | wc -l) files clean"
