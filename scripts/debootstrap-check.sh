#!/usr/bin/env bash
# Installs the Debian package into a fresh, minimal Debian 12 and makes the
# demo videos there as an ordinary user: proof that the package names
# everything the programs need. Not part of the tests: it downloads a base
# system and the package's dependencies from the machine's Debian mirror
# (some hundred MB) and takes minutes.
#
#   sudo scripts/debootstrap-check.sh [vidmill_<version>_<arch>.deb]
#
# Without an argument it takes the package scripts/package.sh made. The
# mirror is the one this machine's apt uses (VIDMILL_MIRROR overrides it);
# KEEP=1 keeps the new system's folder for a look after.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -ne 0 ]; then
  echo "debootstrap and chroot need root: run it with sudo" >&2
  exit 2
fi
deb=${1:-$(ls -t build-package/vidmill_*.deb 2>/dev/null | head -n 1)}
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
  echo "no package: run scripts/package.sh first or name the .deb" >&2
  exit 2
fi
deb=$(realpath "$deb")
suite=bookworm

# This machine's Debian mirrors: the URIs of its deb822 sources and its
# one-line sources, the main archive and the security archive apart.
sources() {
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ ! -f "$f" ] || awk 'tolower($1) == "uris:" { for (i = 2; i <= NF; i++) print $i }' "$f"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ ! -f "$f" ] ||
      awk '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { print $i; break } }' "$f"
  done
}
mirror=${VIDMILL_MIRROR:-$(sources | sed 's|/*$||' | grep -E '/debian$' | head -n 1 || true)}
security=$(sources | sed 's|/*$||' | grep -E '/debian-security$' | head -n 1 || true)
if [ -z "$mirror" ]; then
  echo "no Debian mirror found in /etc/apt/sources.list*: set VIDMILL_MIRROR" >&2
  exit 2
fi

if ! command -v debootstrap >/dev/null; then
  echo "Installing debootstrap"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
fi

target=$(mktemp -d /var/tmp/vidmill-debootstrap.XXXXXX)
chmod 755 "$target" # the new system's / : its users must get through it
mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" || true
  done
  if [ "${KEEP:-0}" = 1 ]; then
    echo "The system is kept in $target"
  else
    rm -rf --one-file-system "$target"
  fi
}
trap cleanup EXIT
mount_in() {
  mount "$@"
  mounted+=("${*: -1}")
}

timings=()
step_start=0
begin() {
  echo
  echo "== $1"
  step_name=$1
  step_start=$(date +%s.%N)
}
end() {
  timings+=("$(awk -v name="$step_name" -v a="$step_start" -v b="$(date +%s.%N)" \
    'BEGIN { printf "%-44s %7.1f s", name, b - a }')")
}
in_root() {
  chroot "$target" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}

echo "Package: $deb"
echo "Mirror:  $mirror${security:+ (security: $security)}"
echo "System:  $target"

begin "debootstrap --variant=minbase $suite"
debootstrap --variant=minbase "$suite" "$target" "$mirror" >"$target.debootstrap.log" 2>&1 || {
  tail -n 30 "$target.debootstrap.log" >&2
  echo "debootstrap failed; its log is $target.debootstrap.log" >&2
  exit 1
}
rm -f "$target.debootstrap.log"
end

begin "apt-get install -y ./$(basename "$deb")"
{
  echo "deb $mirror $suite main"
  echo "deb $mirror $suite-updates main"
  [ -z "$security" ] || echo "deb $security $suite-security main"
} >"$target/etc/apt/sources.list"
# No service of a package starts inside the new system.
printf '#!/bin/sh\nexit 101\n' >"$target/usr/sbin/policy-rc.d"
chmod 755 "$target/usr/sbin/policy-rc.d"
mount_in -t proc proc "$target/proc"
mount_in --bind /dev "$target/dev"
mount_in --bind /dev/pts "$target/dev/pts"
cp "$deb" "$target/root/"
before_kib=$(du -sxk "$target" | cut -f1)
before_packages=$(in_root dpkg-query -W -f='${binary:Package}\n' | wc -l)
in_root sh -c 'apt-get update -qq && cd /root && apt-get install -y -q ./'"$(basename "$deb")" \
  >"$target/root/apt.log" 2>&1 || {
  tail -n 40 "$target/root/apt.log" >&2
  echo "installing the package failed" >&2
  exit 1
}
in_root apt-get clean
after_kib=$(du -sxk "$target" | cut -f1)
after_packages=$(in_root dpkg-query -W -f='${binary:Package}\n' | wc -l)
end

begin "vidmill-batch --demo as an ordinary user"
in_root useradd --create-home --user-group tester
in_root setpriv --reuid=tester --regid=tester --init-groups \
  env HOME=/home/tester sh -c 'cd && vidmill-batch --demo' >"$target/root/demo.log" 2>&1 &&
  demo_rc=0 || demo_rc=$?
end
cat "$target/root/demo.log"

# The window needs more than the batch program (widgets, multimedia): it
# must come up and keep running until it is stopped (timeout's 124).
begin "vidmill (the window, offscreen) runs 5 s"
in_root setpriv --reuid=tester --regid=tester --init-groups \
  env HOME=/home/tester QT_QPA_PLATFORM=offscreen sh -c 'cd && timeout 5 vidmill' \
  >"$target/root/window.log" 2>&1 && window_rc=0 || window_rc=$?
end
grep -v XDG_RUNTIME_DIR "$target/root/window.log" || true

output="$target/home/tester/Videos/Vid Mill/output"
videos=$(find "$output" -maxdepth 1 -name '*.avi' 2>/dev/null | wc -l || true)
keywords=$(grep -c . "$target/usr/share/vidmill/demo_keywords.txt")
installed_size=$(in_root dpkg-query -W -f='${Installed-Size}' vidmill)

echo
echo "== Result"
echo "vidmill-batch --demo exit status: $demo_rc"
if [ "$window_rc" -eq 124 ]; then
  echo "vidmill (the window) was still running after 5 s"
else
  echo "vidmill (the window) ended by itself with status $window_rc"
fi
echo "videos made: $videos of $keywords (in /home/tester/Videos/Vid Mill/output)"
find "$output" -maxdepth 1 -name '*.avi' -printf '  %f  %s bytes\n' 2>/dev/null | sort || true
echo "vidmill Installed-Size: $installed_size KiB"
echo "apt-get install added $((after_packages - before_packages)) packages" \
  "($before_packages before), $(((after_kib - before_kib) / 1024)) MiB on disk"
echo "times:"
printf '  %s\n' "${timings[@]}"
[ "$demo_rc" -eq 0 ] && [ "$videos" -eq "$keywords" ] && [ "$window_rc" -eq 124 ]
