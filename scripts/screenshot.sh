#!/usr/bin/env bash
# Starts PROGRAM (no arguments: the window) on a virtual X display, waits until
# its window has painted, saves a picture of the window to OUT.png and checks
# that the picture is not blank.
#   scripts/screenshot.sh build/quillmere docs/screenshot.png
# Exits 77 (skipped) when xvfb-run or ImageMagick is missing.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 PROGRAM OUT.png" >&2
  exit 2
fi
program=$(realpath "$1")
out=$(realpath -m "$2")

for tool in xvfb-run import identify xwininfo; do
  if ! command -v "$tool" > /dev/null; then
    echo "skipped: $tool is not installed (scripts/setup.sh installs it)" >&2
    exit 77
  fi
done

if [ -z "${QUILLMERE_INSIDE_XVFB:-}" ]; then
  export QUILLMERE_INSIDE_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi

# On the virtual display, without a window manager: the window appears
# unframed, and import photographs its client area by its title.
export QT_QPA_PLATFORM=xcb
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
"$program" &
pid=$!
trap 'kill "$pid" 2> /dev/null || true; wait "$pid" 2> /dev/null || true; rm -rf "$XDG_RUNTIME_DIR"' EXIT

tmp="$out.tmp.png"
colours=0
previous=""
for _ in $(seq 1 100); do
  sleep 0.5
  if ! kill -0 "$pid" 2> /dev/null; then
    echo "the program ended before its window could be photographed" >&2
    exit 1
  fi
  # import asks for a click when no window has the title yet: look first,
  # and name the window by its id (the browser engine makes a hidden window
  # called "quillmere", which import would take for it).
  window=$(xwininfo -name Quillmere 2> /dev/null) || continue
  window=$(sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p' <<< "$window")
  timeout 20 import -window "$window" "$tmp" 2> /dev/null || continue
  colours=$(identify -format '%k' "$tmp")
  # Painted, and the same as half a second ago: the window has settled.
  sum=$(md5sum < "$tmp")
  if [ "$colours" -gt 16 ] && [ "$sum" = "$previous" ]; then
    break
  fi
  previous=$sum
done

size=$(identify -format '%wx%h' "$tmp" 2> /dev/null || echo none)
if [ "$colours" -le 16 ]; then
  echo "the window looks blank: $colours colours, $size" >&2
  exit 1
fi
mv "$tmp" "$out"
echo "$out: $size, $colours colours"
