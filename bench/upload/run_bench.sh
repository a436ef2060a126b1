#!/usr/bin/env bash
# The upload engine against md5sum and curl, in one run on the same files:
#   1. a new 1 GiB file uploaded end to end, against md5sum of the file plus curl posting
#      the file to the same service (target: at most 1.5 times as long);
#   2. the same file again, which the service holds already (fast upload: the engine digests
#      the file and sends no content; target: at most 1.2 times md5sum);
#   3. five new 256 MiB files at once: the peak memory of the uploading process (target:
#      at most five blocks of the service's block size plus 64 MiB).
# The service runs with its default switches (4 MiB blocks; files above 64 MiB go in
# 16 MiB segments) and accepts unsigned requests, so that no login is needed: the files
# are uploaded anonymously.
#
#   bench/upload/run_bench.sh <build folder> [work folder] [MiB of the large file]
set -euo pipefail

build=$(cd "$1" && pwd)
work=${2:-$build/bench/upload/run}
big_mib=${3:-1024}
service_bin=$build/service/norvel-service
bench_bin=$build/bench/upload/bench_upload
block_mib=4

rm -rf "$work"
mkdir -p "$work/files"
cleanup() {
  [[ -n ${service_pid:-} ]] && kill "$service_pid" 2>/dev/null && wait "$service_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

echo "making the files (${big_mib} MiB and 5 x 256 MiB of random bytes)"
head -c "${big_mib}M" /dev/urandom >"$work/files/big.bin"
for i in 1 2 3 4 5; do head -c 256M /dev/urandom >"$work/files/part$i.bin"; done

"$service_bin" --data "$work/service" --listen 127.0.0.1:0 >"$work/service.out" 2>"$work/service.err" &
service_pid=$!
for _ in $(seq 100); do [[ -s $work/service.out ]] && break; sleep 0.1; done
port=$(head -n 1 "$work/service.out")
curl -s -o /dev/null -d require_signatures=0 "http://127.0.0.1:$port/_admin/switch"

# seconds COMMAND...: the wall time of a command, its output kept in $work/last.out.
seconds() {
  local start=$EPOCHREALTIME
  "$@" >"$work/last.out" 2>&1 || { cat "$work/last.out"; echo "FAILED: $*"; exit 1; }
  echo "$EPOCHREALTIME $start" | awk '{ printf "%.3f", $1 - $2 }'
}
ratio() { echo "$1 $2" | awk '{ printf "%.2f", $1 / $2 }'; }
verdict() { echo "$1 $2" | awk '{ print ($1 <= $2) ? "met" : "MISSED" }'; }

cat "$work"/files/*.bin >/dev/null  # every run reads from the page cache
big=$work/files/big.bin
t_md5=$(seconds md5sum "$big")
# -T streams the file as it reads it (--data-binary reads it whole first and refuses 1 GiB).
t_curl=$(seconds curl -s -f -o /dev/null -H "Expect:" -H "Content-Type: application/octet-stream" \
  -X POST -T "$big" "http://127.0.0.1:$port/_admin/sink")
t_new=$(seconds "$bench_bin" "$port" "$work/client" "$big")
t_again=$(seconds "$bench_bin" "$port" "$work/client" "$big")
"$bench_bin" "$port" "$work/client" "$work"/files/part*.bin >"$work/five.out" 2>&1 ||
  { cat "$work/five.out"; echo "FAILED: five files"; exit 1; }
peak_kb=$(awk '/^peak memory/ { print $3 }' "$work/five.out")
t_five=$(awk '/^seconds/ { print $2 }' "$work/five.out")
bound_kb=$(( (5 * block_mib + 64) * 1024 ))

reference=$(echo "$t_md5 $t_curl" | awk '{ printf "%.3f", $1 + $2 }')
r_new=$(ratio "$t_new" "$reference")
r_again=$(ratio "$t_again" "$t_md5")
printf '%s MiB file:\n' "$big_mib"
printf '  md5sum %.3f s + curl to the service %.3f s = %.3f s\n' "$t_md5" "$t_curl" "$reference"
printf '  engine, new file:        %.3f s  ratio %s (target <= 1.5): %s\n' "$t_new" "$r_new" "$(verdict "$r_new" 1.5)"
printf '  engine, same file again: %.3f s  ratio to md5sum %s (target <= 1.2): %s\n' "$t_again" "$r_again" \
  "$(verdict "$r_again" 1.2)"
printf 'five 256 MiB files at once: %.3f s, peak memory %d kB (bound %d kB): %s\n' "$t_five" "$peak_kb" \
  "$bound_kb" "$(verdict "$peak_kb" "$bound_kb")"
