#!/usr/bin/env bash
# Builds the suite and runs every test through CTest, headless.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh
cd build
ctest --output-on-failure --timeout 600 "$@"
