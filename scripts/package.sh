#!/usr/bin/env bash
# Makes the Debian package: installs what is missing, builds the installed
# files for /usr as a Release build in build-package/ (the programs, the
# helper, icons and manual pages; no tests), runs cpack and prints the path of
# vidmill_<version>_<arch>.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
dir=build-package
log=$dir/package.log
mkdir -p "$dir"
rm -f "$dir"/vidmill_*.deb
if ! { cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr >"$log" 2>&1 &&
       cmake --build "$dir" --target vidmill_installed -j"$(nproc)" >>"$log" 2>&1 &&
       (cd "$dir" && cpack -G DEB) >>"$log" 2>&1; }; then
  tail -n 60 "$log" >&2
  echo "Packaging failed; the whole log is in $log" >&2
  exit 1
fi
ls "$PWD/$dir"/vidmill_*.deb
