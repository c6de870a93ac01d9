#!/usr/bin/env bash
# The whole-process benchmark: fresh `quillmere convert` and `quillmere run`
# processes, timed from start to exit as a user meets them (data.mdb on disk,
# the commit included), with their peak memory, next to the floor measured
# in the same run.
#
#   bench/whole_process.sh [ROWS...]          (default: 10000 100000 300000)
#
# Environment: BUILD (default build), WORK (default /tmp/quillmere-whole-process:
# the generated tables are kept there between runs), REPEAT (default 3: each
# figure is the median of that many runs, after one untimed run that warms the
# page cache), JOBS (default "convert run-doc run-docx floor").
#
# Tables: bench/word_tables.h (10 columns; the first column spans three rows
# at a time; a cell spanning two columns in every fifth row), made by
# make_word_table as the markup `quillmere convert` reads (code page 936) and
# as .doc and .docx documents for `quillmere run`. Every row is data
# (--first-row-data), so each run stores ROWS rows.
#
# Prints one Markdown table: job, rows, input size (the markup, or the
# document for run), median wall time, markup MB/s (MB = 10^6 bytes), median
# peak RSS and, for convert, the memory target 4 x markup + 64 MiB. Needs
# /usr/bin/time (GNU time).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${BUILD:-build}" && pwd)
work=${WORK:-/tmp/quillmere-whole-process}
repeat=${REPEAT:-3}
jobs=${JOBS:-convert run-doc run-docx floor}
rows=("$@")
[ ${#rows[@]} -gt 0 ] || rows=(10000 100000 300000)

quillmere=$build/quillmere
maker=$build/bench/make_word_table
floor=$build/bench/whole_process_floor
for tool in "$quillmere" "$maker" "$floor"; do
  [ -x "$tool" ] || { echo "$tool is not built (cmake --build --preset default)" >&2; exit 2; }
done
mkdir -p "$work/data"

# The table of `n` rows in `format`, made once.
input() {
  local n=$1 format=$2 file=$work/data/table-$1.$2
  [ -s "$file" ] || "$maker" "$n" "$format" "$file"
  echo "$file"
}

# A fresh folder holding an empty data.mdb (and `document` as test.doc).
fresh_folder() {
  local folder=$work/folder
  rm -rf "$folder"
  mkdir -p "$folder"
  "$quillmere" newdb "$folder" > /dev/null
  [ -z "${1:-}" ] || cp "$1" "$folder/test.doc"
  echo "$folder"
}

# Runs the command `repeat` times after one warm-up, each in a fresh folder
# ("FOLDER" in the command stands for it), and prints "SECONDS KIB EXIT": the
# medians of wall time and peak RSS, and the last exit status.
measure() {
  local document=$1
  shift
  local times=() peaks=() folder out status=0
  for ((i = 0; i <= repeat; i++)); do
    folder=$(fresh_folder "$document")
    out=$(/usr/bin/time -f "%e %M %x" "${@//FOLDER/$folder}" 2>&1 > /dev/null | tail -1)
    read -r seconds kib status <<< "$out"
    if [ "$i" -gt 0 ]; then
      times+=("$seconds")
      peaks+=("$kib")
    fi
  done
  echo "$(printf '%s\n' "${times[@]}" | sort -g | sed -n "$(((repeat + 1) / 2))p")" \
    "$(printf '%s\n' "${peaks[@]}" | sort -g | sed -n "$(((repeat + 1) / 2))p")" "$status"
}

# One line of the table. KIND: "markup" (the input is markup: its rate and,
# for convert, the memory target are shown) or "document".
row() {  # JOB ROWS INPUT_FILE KIND SECONDS KIB EXIT
  awk -v job="$1" -v n="$2" -v b="$(stat -c %s "$3")" -v kind="$4" -v s="$5" -v k="$6" \
    -v exit_status="$7" 'BEGIN {
    rate = kind == "document" ? "" : sprintf("%.0f MB/s", b / 1e6 / s)
    target = job !~ /convert/ ? "" : sprintf("%.0f MiB", (4 * b + 64 * 1048576) / 1048576)
    if (exit_status != 0) {
      printf "| %s | %d | %.1f MB | fails (exit %d) after %.2f s | | %.0f MiB | %s |\n",
        job, n, b / 1e6, exit_status, s, k / 1024, target
    } else {
      printf "| %s | %d | %.1f MB | %.2f s | %s | %.0f MiB | %s |\n",
        job, n, b / 1e6, s, rate, k / 1024, target
    }
  }'
}

echo "Load before: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) cores; $(date -u +%F)"
echo
echo "| Job | Rows | Input | Time | Markup/s | Peak RSS | 4 x markup + 64 MiB |"
echo "|---|---|---|---|---|---|---|"
for n in "${rows[@]}"; do
  markup=$(input "$n" markup)
  for job in $jobs; do
    case $job in
      convert)
        row "quillmere convert" "$n" "$markup" markup \
          $(measure "" "$quillmere" convert "$markup" --folder FOLDER --first-row-data)
        ;;
      run-doc | run-docx)
        document=$(input "$n" "${job#run-}")
        row "quillmere run (.${job#run-})" "$n" "$document" document \
          $(measure "$document" "$quillmere" run FOLDER --first-row-data)
        ;;
      floor)
        row "floor: read and scan the markup" "$n" "$markup" markup \
          $(measure "" "$floor" scan "$markup")
        row "floor: insert the rows (SQLite, one prepared statement, one transaction)" "$n" \
          "$markup" markup $(measure "" "$floor" insert FOLDER "$n")
        ;;
    esac
  done
done
echo
echo "Load after: $(cut -d' ' -f1-3 /proc/loadavg)"
rm -rf "$work/folder"
