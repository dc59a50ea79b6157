#!/usr/bin/env bash
# Installs what is missing, then configures and builds into build/. Quiet on
# success; on failure prints the build log's tail.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
log=build/build.log
mkdir -p build
if ! { cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$log" 2>&1 &&
       cmake --build build -j"$(nproc)" >>"$log" 2>&1; }; then
  tail -n 60 "$log" >&2
  echo "Build failed; the whole log is in $log" >&2
  exit 1
fi
