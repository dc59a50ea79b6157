#!/usr/bin/env bash
# The window as a person sees it on a small and a large screen: runs the
# program under Xvfb with a window manager (openbox) at 800x600 and 1600x1000
# and writes screenshots of each panel into a folder.
#
#   scripts/screenshots.sh build/bin/vidmill docs
set -euo pipefail
[[ $# -eq 2 ]] || { echo "usage: $0 PATH/TO/vidmill OUTPUT-FOLDER" >&2; exit 2; }
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
out=$(mkdir -p "$2" && cd "$2" && pwd)
for tool in Xvfb openbox import xdotool; do
    command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (scripts/setup.sh installs it)" >&2; exit 2; }
done

shoot() {  # size name
    local size=$1 name=$2 display=:$((90 + RANDOM % 9))
    Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp &
    local xvfb=$!
    sleep 1
    DISPLAY=$display openbox &
    local wm=$!
    sleep 1
    DISPLAY=$display QT_QPA_PLATFORM=xcb "$program" &
    local app=$!
    # Bounded: the window appears within 30 s or the run says so.
    if ! DISPLAY=$display timeout 30 xdotool search --sync --name "Vid Mill" >/dev/null; then
        echo "screenshots: no window within 30 s at $size" >&2
        kill "$app" "$wm" "$xvfb" 2>/dev/null || true
        return 1
    fi
    sleep 2
    # The window made as small as the screen: its frame fills the screen.
    local window
    window=$(DISPLAY=$display xdotool search --name "Vid Mill" | head -1)
    if [[ $name == 800x600 ]]; then
        DISPLAY=$display xdotool windowmove "$window" 0 0 windowsize "$window" 790 565
    fi
    DISPLAY=$display xdotool windowactivate "$window" 2>/dev/null || true
    sleep 1
    local panel
    for panel in 1 2 3; do
        DISPLAY=$display xdotool key "ctrl+$panel"
        sleep 1
        DISPLAY=$display import -window root "$out/window-$name-panel$panel.png"
    done
    if [[ $name == 800x600 ]]; then
        # The panels' right-hand side, scrolled to with the keyboard: Tab on
        # to "Make Videos!" brings it into view.
        DISPLAY=$display xdotool key ctrl+3
        for _ in $(seq 12); do DISPLAY=$display xdotool key Tab; done
        sleep 1
        DISPLAY=$display import -window root "$out/window-$name-panel3-scrolled.png"
    fi
    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
    kill "$wm" "$xvfb" 2>/dev/null || true
    wait 2>/dev/null || true
}

shoot 800x600 800x600
shoot 1600x1000 1600x1000
echo "screenshots in $out"
