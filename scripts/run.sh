#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vid Mill.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display here: Vid Mill's window needs one (for a run without a display use build/bin/vidmill-batch --demo)."
  exit 1
fi
exec build/bin/vidmill "$@"
