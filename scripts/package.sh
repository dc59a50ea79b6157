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
# Debian's hardening: stack protector, fortified libc calls, read-only
# relocations bound at start-up. (Without -g: the package is stripped anyway.)
flag() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1" | sed 's/\(^\| \)-g\( \|$\)/ /'; }
cflags="$(flag CPPFLAGS) $(flag CFLAGS)"
cxxflags="$(flag CPPFLAGS) $(flag CXXFLAGS)"
ldflags=$(flag LDFLAGS)
if ! { cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
         -DCMAKE_C_FLAGS="$cflags" -DCMAKE_CXX_FLAGS="$cxxflags" \
         -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >"$log" 2>&1 &&
       cmake --build "$dir" --target vidmill_installed -j"$(nproc)" >>"$log" 2>&1 &&
       (cd "$dir" && cpack -G DEB) >>"$log" 2>&1; }; then
  tail -n 60 "$log" >&2
  echo "Packaging failed; the whole log is in $log" >&2
  exit 1
fi
ls "$PWD/$dir"/vidmill_*.deb
