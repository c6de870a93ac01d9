#!/usr/bin/env bash
# Drags a document from another program (drag_source, offering copy, move
# and link as a file manager does) onto each part of the real window on a
# virtual X display, with a real pointer (xdotool): the preview pane before
# and after it shows a page, the document pane and the top strip. Each drop
# must be answered as a copy (the document stays where it is) and run:
# dt_table gets the document's rows and cc.html is written. A picture of the
# screen after each drop is left in OUT_DIR, to look at as a user would.
#   real_drops.sh QUILLMERE DRAG_SOURCE DOCUMENT OUT_DIR
# Exits 77 (skipped) when xvfb-run, xdotool or ImageMagick is missing.
set -euo pipefail

if [ $# -ne 4 ]; then
  echo "usage: $0 QUILLMERE DRAG_SOURCE DOCUMENT OUT_DIR" >&2
  exit 2
fi
for tool in xvfb-run xdotool xwininfo import sqlite3; do
  if ! command -v "$tool" > /dev/null; then
    echo "skipped: $tool is not installed (scripts/setup.sh installs it)" >&2
    exit 77
  fi
done
if [ -z "${QUILLMERE_INSIDE_XVFB:-}" ]; then
  export QUILLMERE_INSIDE_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi

quillmere=$(realpath "$1")
drag_source=$(realpath "$2")
out=$(realpath -m "$4")
export QT_QPA_PLATFORM=xcb
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
work=$(mktemp -d)
window=""
source_pid=""
cleanup() {
  for pid in $source_pid $window; do
    kill "$pid" 2> /dev/null || true
    wait "$pid" 2> /dev/null || true
  done
  rm -rf "$work" "$XDG_RUNTIME_DIR"
}
trap cleanup EXIT

app=$work/app
mkdir -p "$app" "$work/docs" "$out"
"$quillmere" newdb "$app" > /dev/null
document=$work/docs/报表.doc
cp "$3" "$document"
"$quillmere" --folder "$app" &
window=$!

# Waits up to SECONDS for COMMAND to succeed.
await() {
  local seconds=$1
  shift
  for _ in $(seq 1 $((seconds * 10))); do
    if "$@" > /dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  return 1
}
fail() {
  echo "$1" >&2
  import -window root "$out/failure.png" 2> /dev/null || true
  exit 1
}

# The window's geometry, read once it is mapped: a window seen and then
# remade by Qt while it starts is looked for again.
geometry=""
for _ in $(seq 1 600); do
  geometry=$(xwininfo -name Quillmere 2> /dev/null) && break
  geometry=""
  sleep 0.1
done
[ -n "$geometry" ] || fail "the window never appeared"
left=$(sed -n 's/.*Absolute upper-left X: *\([0-9-]*\).*/\1/p' <<< "$geometry")
top=$(sed -n 's/.*Absolute upper-left Y: *\([0-9-]*\).*/\1/p' <<< "$geometry")
sleep 2  # the browser pane's engine starts

# Drags the document from a fresh drag source to (X, Y) of the window.
drag_to() {
  local x=$((left + $1)) y=$((top + $2))
  "$drag_source" 1080 680 "$document" > "$work/answer" &
  source_pid=$!
  await 20 xwininfo -name "drag source" || fail "the drag source never appeared"
  sleep 0.3
  xdotool mousemove 1160 730 && sleep 0.2 && xdotool mousedown 1 && sleep 0.2
  # In steps, as a hand moves: the window learns of the drag as it enters.
  for step in 1 2 3 4 5 6 7 8 9 10; do
    xdotool mousemove $((1160 + (x - 1160) * step / 10)) $((730 + (y - 730) * step / 10))
    sleep 0.05
  done
  sleep 0.3
  xdotool mousemove $((x + 3)) $((y + 3))
  sleep 0.3
  xdotool mouseup 1
  await 20 bash -c "! kill -0 $source_pid" || fail "the drag never ended"
  wait "$source_pid" || true
  source_pid=""
}

passed=0
# Name, then a point of the window (in pixels from its corner) in that part.
for target in "preview-empty 500 400" "document-pane 500 160" "top-strip 900 20" \
  "preview-page 500 400"; do
  read -r name x y <<< "$target"
  rm -f "$app/cc.html"
  sqlite3 "$app/data.mdb" "delete from dt_table"
  drag_to "$x" "$y"
  answer=$(cat "$work/answer")
  [ "$answer" = copy ] || fail "$name: the drop was answered \"$answer\", not copy"
  await 30 test -s "$app/cc.html" || fail "$name: the drop ran nothing (no cc.html)"
  await 10 bash -c "[ \$(sqlite3 '$app/data.mdb' 'select count(*) from dt_table') = 5 ]" ||
    fail "$name: dt_table does not hold the document's 5 rows"
  [ -f "$document" ] || fail "$name: the dropped document is gone"
  sleep 1
  import -window root "$out/$name.png"
  passed=$((passed + 1))
  echo "$name: answered copy, ran, the document stays"
done
echo "$passed passed, 0 failed"
