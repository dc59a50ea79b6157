#!/usr/bin/env bash
# The Debian package as a user gets it. ctest runs one case a call:
#
#   package_test.sh CASE
#
# with VIDMILL_SOURCE_DIR, VIDMILL_BUILD_DIR, VIDMILL_VERSION and
# VIDMILL_PACKAGE_WORK (the folder the cases share) in the environment.
#
#   cpack       makes the .deb from the build folder and unpacks it; the other
#               cases read what it left
#   files       the file list: exactly the programs, the helper, the data, the
#               menu entry, the icons, the AppStream data and the manual pages
#   control     the control fields: name, version, section, and what it needs
#   metadata    the menu entry and the AppStream data pass their validators
#               and agree with each other and with the files
#   manuals     the manual pages: no groff warnings, every option of the
#               installed vidmill-batch and every project field described
#   demo        the unpacked vidmill-batch makes a demo video into the
#               per-user folder and writes nothing into its own tree
#   demo_other_user  the same as nobody, who cannot write the tree; needs root
#               (exit 77: skipped)
set -euo pipefail

source_dir=${VIDMILL_SOURCE_DIR:?}
build_dir=${VIDMILL_BUILD_DIR:?}
version=${VIDMILL_VERSION:?}
work=${VIDMILL_PACKAGE_WORK:?}
arch=$(dpkg --print-architecture)
deb=$work/deb/vidmill_${version}_${arch}.deb
root=$work/root

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
finish() {
  if [ "$failures" -gt 0 ]; then
    echo "$failures problem(s)" >&2
    exit 1
  fi
  echo "ok"
}
need_package() {
  [ -f "$deb" ] || { echo "no package at $deb (the cpack case makes it)" >&2; exit 1; }
}

# What the package must hold, one path a line (regular files only).
expected_files() {
  printf '%s\n' \
    ./usr/bin/vidmill ./usr/bin/vidmill-batch ./usr/libexec/vidmill/vidmill-speak \
    ./usr/share/applications/vidmill.desktop \
    ./usr/share/metainfo/org.vidmill.VidMill.metainfo.xml \
    ./usr/share/icons/hicolor/scalable/apps/vidmill.svg \
    ./usr/share/man/man1/vidmill.1.gz ./usr/share/man/man1/vidmill-batch.1.gz \
    ./usr/share/doc/vidmill/copyright ./usr/share/doc/vidmill/changelog.gz
  for size in 16 32 48 64 128 256; do
    echo "./usr/share/icons/hicolor/${size}x${size}/apps/vidmill.png"
  done
  (cd "$source_dir/data" && find . -type f | sed 's|^\./|./usr/share/vidmill/|')
}

# A PNG's width and height from its header: "16x16".
png_size() {
  od -An -tu1 -j16 -N8 "$1" |
    awk '{ printf "%dx%d\n", ($1*16777216)+($2*65536)+($3*256)+$4, ($5*16777216)+($6*65536)+($7*256)+$8 }'
}

# Every file and folder of a tree with its size and time: equal listings
# before and after a run mean nothing was written there.
tree_state() {
  find "$1" -printf '%p %y %s %T@\n' | sort
}

# Runs the unpacked vidmill-batch's demo, shard 0 of 7 (one video), as
# `as_user` (a command prefix, maybe empty) with an empty home, no XDG
# settings and nothing of this environment, then checks where the video went
# and that the tree `tree` was left as it was.
run_demo() {
  local tree=$1 home=$2
  shift 2
  local before after log=$home/../demo.log
  before=$(tree_state "$tree")
  local rc=0
  "$@" env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 \
    "$tree/usr/bin/vidmill-batch" --demo --shard 0/7 --jobs 1 --seed 7 >"$log" 2>&1 || rc=$?
  cat "$log"
  [ "$rc" -eq 0 ] || fail "vidmill-batch --demo exited with $rc"
  local output="$home/Videos/Vid Mill/output"
  grep -qF "into $output," "$log" || fail "the batch did not say it writes into $output"
  grep -q "^Made 1 of 1 video " "$log" || fail "no \"Made 1 of 1 video\" line"
  local videos=()
  mapfile -t videos < <(find "$home" -name '*.avi')
  if [ "${#videos[@]}" -ne 1 ] || [ "${videos[0]:-}" != "$output/family dentistry.avi" ]; then
    fail "expected one video, $output/family dentistry.avi; found: ${videos[*]:-none}"
  else
    local streams
    streams=$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "${videos[0]}" | sort | tr '\n' ' ')
    [ "$streams" = "audio video " ] || fail "the video has streams \"$streams\", not audio and video"
  fi
  after=$(tree_state "$tree")
  if [ "$before" != "$after" ]; then
    fail "the run wrote into the installed tree:"
    diff <(echo "$before") <(echo "$after") >&2 || true
  fi
}

case ${1:?case} in
cpack)
  rm -rf "$work"
  mkdir -p "$work/deb"
  if ! cpack --config "$build_dir/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    fail "cpack failed"
    finish
  fi
  made=$(find "$work/deb" -maxdepth 1 -name '*.deb' -printf '%f\n')
  [ "$made" = "$(basename "$deb")" ] || fail "cpack made \"$made\", expected $(basename "$deb")"
  need_package
  dpkg-deb -c "$deb" >"$work/contents.txt"
  dpkg-deb -x "$deb" "$root"
  finish
  ;;

files)
  need_package
  # Regular files as "mode owner path"; anything else (links, devices) shows
  # as unexpected below.
  awk '{ print $1, $2, $6 }' "$work/contents.txt" >"$work/entries.txt"
  awk '$1 !~ /^d/ { print $3 }' "$work/entries.txt" | sort >"$work/actual.txt"
  expected_files | sort >"$work/expected.txt"
  missing=$(comm -23 "$work/expected.txt" "$work/actual.txt")
  extra=$(comm -13 "$work/expected.txt" "$work/actual.txt")
  [ -z "$missing" ] || fail "missing from the package:"$'\n'"$missing"
  [ -z "$extra" ] || fail "in the package but not expected (tests, libraries, headers?):"$'\n'"$extra"
  awk '$2 != "root/root" { print $3 }' "$work/entries.txt" | grep . &&
    fail "files not owned by root/root (above)"
  for program in ./usr/bin/vidmill ./usr/bin/vidmill-batch ./usr/libexec/vidmill/vidmill-speak; do
    mode=$(awk -v p="$program" '$3 == p { print $1 }' "$work/entries.txt")
    [ "$mode" = "-rwxr-xr-x" ] || fail "$program has mode \"$mode\""
    if readelf -S --wide "$root/$program" | grep -qE '\.symtab|\.debug_info'; then
      fail "$program is not stripped"
    fi
  done
  awk '$1 ~ /^-/ && $3 !~ /^\.\/usr\/(bin|libexec)\// && $1 != "-rw-r--r--" { print $1, $3 }' \
    "$work/entries.txt" | grep . && fail "data files with other modes than -rw-r--r-- (above)"
  for size in 16 32 48 64 128 256; do
    png=$root/usr/share/icons/hicolor/${size}x${size}/apps/vidmill.png
    [ -f "$png" ] && { [ "$(png_size "$png")" = "${size}x${size}" ] ||
      fail "$png is $(png_size "$png"), not ${size}x${size}"; }
  done
  for page in vidmill vidmill-batch; do
    gzip -t "$root/usr/share/man/man1/$page.1.gz" || fail "$page.1.gz is not gzip"
  done
  (cd "$source_dir/data" && find . -type f) | while read -r f; do
    cmp -s "$source_dir/data/$f" "$root/usr/share/vidmill/$f" || echo "$f"
  done | grep . && fail "the packaged data files above differ from data/"
  finish
  ;;

control)
  need_package
  field() { dpkg-deb -f "$deb" "$1"; }
  [ "$(field Package)" = vidmill ] || fail "Package: $(field Package)"
  [ "$(field Version)" = "$version" ] || fail "Version: $(field Version), not $version"
  [ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
  [ "$(field Section)" = video ] || fail "Section: $(field Section)"
  [ -n "$(field Maintainer)" ] || fail "no Maintainer"
  [ -n "$(field Description)" ] || fail "no Description"
  [ "$(field Installed-Size)" -gt 0 ] 2>/dev/null || fail "Installed-Size: $(field Installed-Size)"
  changelog=$(gunzip -c "$root/usr/share/doc/vidmill/changelog.gz" | dpkg-parsechangelog -l - -S Version)
  [ "$changelog" = "$version" ] || fail "the changelog's last entry is $changelog, not $version"
  depends=$(field Depends)
  echo "Depends: $depends"
  echo "Recommends: $(field Recommends)"
  names=$(echo "$depends" | tr ',|' '\n\n' | awk '{ print $1 }')
  # What the programs run or read without linking it, and, from
  # dpkg-shlibdeps, the libraries they link.
  for name in ffmpeg espeak-ng-data festival festlex-cmu festlex-poslex festvox-us-slt-hts \
    fonts-dejavu-core fonts-wqy-microhei libc6 libqt6core6 libqt6widgets6 libqt6multimedia6 \
    libespeak-ng1 libflite1 libestools2.5; do
    echo "$names" | grep -qx "$name" || fail "Depends lacks $name"
  done
  echo "$names" | grep -q '^libavcodec' || fail "Depends lacks libavcodec"
  echo "$names" | grep -q '^libass' || fail "Depends lacks libass"
  for name in gstreamer1.0-plugins-base gstreamer1.0-plugins-good hicolor-icon-theme; do
    field Recommends | tr ',' '\n' | awk '{ print $1 }' | grep -qx "$name" ||
      fail "Recommends lacks $name"
  done
  # Every relation is met on this machine, where scripts/setup.sh installed
  # what the program needs: a misspelt name or an impossible version shows.
  while read -r relation; do
    met=no
    while read -r name op wanted; do
      [ -n "$name" ] || continue
      have=$(dpkg-query -W -f='${Status} ${Version}' "$name" 2>/dev/null |
        awk '$3 == "installed" { print $4 }') || true
      [ -n "$have" ] || continue
      if [ -z "$op" ]; then
        met=yes
      else
        op=${op#(}
        wanted=${wanted%)}
        dpkg --compare-versions "$have" "$op" "$wanted" && met=yes
      fi
    done < <(echo "$relation" | tr '|' '\n')
    [ "$met" = yes ] || fail "Depends: \"$relation\" is not met here"
  done < <(echo "$depends" | tr ',' '\n' | sed 's/^ *//')
  finish
  ;;

metadata)
  need_package
  desktop=$root/usr/share/applications/vidmill.desktop
  metainfo=$root/usr/share/metainfo/org.vidmill.VidMill.metainfo.xml
  out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate failed"
  [ -z "$out" ] || fail "desktop-file-validate: $out"
  out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate failed"
  echo "$out"
  echo "$out" | grep -E '^[EW]:' && fail "appstreamcli validate reports errors or warnings (above)"
  out=$(appstreamcli validate-tree --no-net "$root" 2>&1) || fail "appstreamcli validate-tree failed"
  echo "$out"
  echo "$out" | grep -E '^[EW]:' && fail "appstreamcli validate-tree reports errors or warnings (above)"
  # The entry starts a program the package holds and shows an icon it holds.
  value() { sed -n "s/^$1=//p" "$desktop"; }
  for key in Exec TryExec; do
    program=$(value $key | awk '{ print $1 }')
    [ -x "$root/usr/bin/$program" ] || fail "$key=$program is not a program in /usr/bin"
  done
  icon=$(value Icon)
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
    fail "Icon=$icon is not in the hicolor theme"
  # The AppStream data names this entry, this version and pictures we have.
  grep -q '<launchable type="desktop-id">vidmill.desktop</launchable>' "$metainfo" ||
    fail "the metainfo does not launch vidmill.desktop"
  grep -q "<id>org.vidmill.VidMill</id>" "$metainfo" || fail "the metainfo's id is not its file name"
  grep -q "<release version=\"$version\" date=\"[0-9-]*\"" "$metainfo" ||
    fail "the metainfo has no release $version"
  while read -r url; do
    [ -f "$source_dir/docs/$(basename "$url")" ] || fail "screenshot $url is not in docs/"
  done < <(grep -o 'https://[^<]*\.png' "$metainfo")
  finish
  ;;

manuals)
  need_package
  for page in vidmill vidmill-batch; do
    gunzip -c "$root/usr/share/man/man1/$page.1.gz" >"$work/$page.1"
    warnings=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$work/$page.1" 2>&1)
    [ -z "$warnings" ] || fail "groff warns about $page.1: $warnings"
    grep -q "^\.TH .*\"Vid Mill $version\"" "$work/$page.1" || fail "$page.1 is not for version $version"
    LC_ALL=C.UTF-8 groff -man -Tascii -P-cbou "$work/$page.1" >"$work/$page.txt" 2>/dev/null
  done
  # Every help option the program offers prints its help.
  for option in -h --help --help-all --version; do
    QT_QPA_PLATFORM=offscreen "$root/usr/bin/vidmill-batch" $option >"$work/help.txt" 2>&1 ||
      fail "vidmill-batch $option exited with $?"
    [ "$option" = --version ] || grep -qF -- --demo "$work/help.txt" ||
      fail "vidmill-batch $option does not print the options"
  done
  # Every option the installed program offers is in its page.
  options=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/vidmill-batch" --help |
    grep -oE -- '--[a-z][a-z-]+' | sort -u)
  [ -n "$options" ] || fail "vidmill-batch --help lists no options"
  for option in $options; do
    grep -qF -- "$option" "$work/vidmill-batch.txt" || fail "vidmill-batch.1 does not describe $option"
  done
  # Every field the project reader knows (and every word of its choices).
  fields=$(grep -oE 'key == "[A-Za-z0-9]+"|\{("[A-Za-z0-9]+"(, )?)+\}' \
    "$source_dir/src/project/ProjectFile.cpp" | grep -oE '"[A-Za-z0-9]+"' | tr -d '"' | sort -u)
  [ -n "$fields" ] || fail "no project fields found in ProjectFile.cpp"
  for name in $fields; do
    grep -qw -- "$name" "$work/vidmill-batch.txt" || fail "vidmill-batch.1 does not describe the field $name"
  done
  # The exit statuses the program uses.
  for status in 0 1 2 130 143 129; do
    sed -n '/^EXIT STATUS/,/^[A-Z]/p' "$work/vidmill-batch.txt" | grep -qE "^ +$status +[A-Z]" ||
      fail "vidmill-batch.1 does not explain exit status $status"
  done
  finish
  ;;

demo)
  need_package
  home=$(mktemp -d "$work/home.XXXXXX")
  run_demo "$root" "$home"
  finish
  ;;

demo_other_user)
  need_package
  if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: running as another user needs root"
    exit 77
  fi
  # A fresh tree where nobody may read but not write, and a home of its own.
  scratch=$(mktemp -d /tmp/vidmill-package-test.XXXXXX)
  trap 'rm -rf "$scratch"' EXIT
  chmod 755 "$scratch"
  dpkg-deb -x "$deb" "$scratch/root"
  mkdir "$scratch/home"
  chown nobody:nogroup "$scratch/home"
  as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  "${as_nobody[@]}" test -w "$scratch/root/usr/bin" && fail "nobody may write the tree"
  run_demo "$scratch/root" "$scratch/home" "${as_nobody[@]}"
  finish
  ;;

*)
  echo "unknown case $1" >&2
  exit 2
  ;;
esac
