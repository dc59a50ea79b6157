#!/usr/bin/env bash
# Builds bench_captions as it was at another commit (default: main), outside
# the work tree, so bench_captions --before can compare with it in one run:
#
#   bench/build_before.sh [commit] [folder]     prints the program's path
#   build/bin/bench_captions --before "$(bench/build_before.sh)"
#
# The folder (default /tmp/vidmill-before-<commit>) is reused when it holds a
# build of that commit already.
set -euo pipefail
cd "$(dirname "$0")/.."
commit=$(git rev-parse --short "${1:-main}")
folder=${2:-${TMPDIR:-/tmp}/vidmill-before-$commit}
program=$folder/build/bin/bench_captions
if [[ ! -x $program ]]; then
  mkdir -p "$folder"
  git archive "$commit" | tar -x -C "$folder"
  log=$folder/build.log
  if ! { cmake -S "$folder" -B "$folder/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$log" 2>&1 &&
         cmake --build "$folder/build" -j"$(nproc)" --target bench_captions >>"$log" 2>&1; }; then
    tail -n 30 "$log" >&2
    echo "Build of $commit failed; the whole log is in $log" >&2
    exit 1
  fi
fi
echo "$program"
