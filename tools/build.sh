#!/usr/bin/env bash
# Installs the dependencies and builds the whole suite into build/ (products in build/out/).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
