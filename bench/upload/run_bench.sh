#!/usr/bin/env bash
# The upload engine against md5sum and curl, in one run on the same files:
#   1. a new 1 GiB file uploaded end to end, against md5sum of the file plus curl posting
#      the file to the same service: the wall time, the CPU time of the client and of the
#      service (both from /proc) against md5sum's CPU time, and the client's wall time
#      until its first content bytes went out against md5sum's wall time;
#   2. the same file again, which the service holds already (fast upload: the engine digests
#      the file and sends no content);
#   3. five new 256 MiB files at once: the peak memory of the uploading process (bound: five
#      blocks of the service's block size plus 64 MiB);
#   4. 1000 small new files through five workers: files per second of the engine, and the
#      rate the queue's pause of 0.5 s after each task leaves of it;
#   5. 1000 small signed requests through the transport against plain libcurl reusing its
#      connection (bench_transport small, with a service of its own).
# The service runs with its default switches (4 MiB blocks; files above 64 MiB go in
# 16 MiB segments) and accepts unsigned requests, so that no login is needed: the files
# are uploaded anonymously. The load average is printed with the figures: on a busy
# machine the wall times are not to be trusted, the CPU times much more so.
#
#   bench/upload/run_bench.sh <build folder> [work folder] [MiB of the large file]
set -euo pipefail

build=$(cd "$1" && pwd)
work=${2:-$build/bench/upload/run}
big_mib=${3:-1024}
service_bin=$build/service/norvel-service
bench_bin=$build/bench/upload/bench_upload
transport_bin=$build/bench/transport/bench_transport
block_mib=4
small_files=1000
workers=5
task_pause=0.5

rm -rf "$work"
mkdir -p "$work/files" "$work/small"
cleanup() {
  [[ -n ${service_pid:-} ]] && kill "$service_pid" 2>/dev/null && wait "$service_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

echo "making the files (${big_mib} MiB, 5 x 256 MiB and $small_files x 4 KiB of random bytes)"
head -c "${big_mib}M" /dev/urandom >"$work/files/big.bin"
for i in 1 2 3 4 5; do head -c 256M /dev/urandom >"$work/files/part$i.bin"; done
for i in $(seq "$small_files"); do head -c 4096 /dev/urandom >"$work/small/s$i.bin"; done

"$service_bin" --data "$work/service" --listen 127.0.0.1:0 >"$work/service.out" 2>"$work/service.err" &
service_pid=$!
for _ in $(seq 100); do [[ -s $work/service.out ]] && break; sleep 0.1; done
port=$(head -n 1 "$work/service.out")
curl -s -o /dev/null -d require_signatures=0 "http://127.0.0.1:$port/_admin/switch"

# User plus system CPU seconds of the service so far (fields 14 and 15 of its stat; the
# command name before them is "(norvel-service)", without spaces).
ticks=$(getconf CLK_TCK)
service_cpu() { awk -v t="$ticks" '{ printf "%.3f", ($14 + $15) / t }' "/proc/$service_pid/stat"; }

# run COMMAND...: runs a command, its output kept in $work/last.out; sets $wall (seconds),
# $cpu (its user plus system CPU seconds) and $service (the service's CPU seconds meanwhile).
run() {
  local before
  before=$(service_cpu)
  /usr/bin/time -f "%e %U %S" -o "$work/last.time" "$@" >"$work/last.out" 2>&1 ||
    { cat "$work/last.out"; echo "FAILED: $*"; exit 1; }
  wall=$(awk '{ printf "%.3f", $1 }' "$work/last.time")
  cpu=$(awk '{ printf "%.3f", $2 + $3 }' "$work/last.time")
  service=$(echo "$(service_cpu) $before" | awk '{ printf "%.3f", $1 - $2 }')
}
# Wall time by the shell's clock (finer than time's hundredths).
seconds() {
  local start=$EPOCHREALTIME
  run "$@"
  wall=$(echo "$EPOCHREALTIME $start" | awk '{ printf "%.3f", $1 - $2 }')
}
ratio() { echo "$1 $2" | awk '{ printf "%.2f", ($2 > 0) ? $1 / $2 : 0 }'; }
verdict() { echo "$1 $2" | awk '{ print ($1 <= $2) ? "met" : "MISSED" }'; }
at_least() { echo "$1 $2" | awk '{ print ($1 >= $2) ? "met" : "MISSED" }'; }
field() { awk -v k="$1" 'index($0, k " ") == 1 { print $NF }' "$work/last.out"; }

# The files just made are written out first: their write-back would otherwise land on the
# measured runs and slow the service's own writes.
sync
cat "$work"/files/*.bin "$work"/small/*.bin >/dev/null  # every run reads from the page cache
big=$work/files/big.bin
echo "load before: $(uptime)"
seconds md5sum "$big"
t_md5=$wall c_md5=$cpu
# -T streams the file as it reads it (--data-binary reads it whole first and refuses 1 GiB).
seconds curl -s -f -o /dev/null -H "Expect:" -H "Content-Type: application/octet-stream" \
  -X POST -T "$big" "http://127.0.0.1:$port/_admin/sink"
t_curl=$wall s_curl=$service
# The service writes the blocks of a new file past the page cache, so no warm-up of memory
# is needed before it: on a virtual machine whose host takes freed guest memory back, a
# write into fresh cache pages stalls in the host, and that stall counted as the service's
# processor time (up to 1.5 s of a GiB here).
seconds "$bench_bin" "$port" "$work/client" "$big"
t_new=$wall c_new=$(field "cpu seconds") s_new=$service t_first=$(field "first block seconds")
seconds "$bench_bin" "$port" "$work/client" "$big"
t_again=$wall c_again=$(field "cpu seconds")
run "$bench_bin" "$port" "$work/client" "$work"/files/part*.bin
peak_kb=$(awk '/^peak memory/ { print $3 }' "$work/last.out")
t_five=$(field seconds)
bound_kb=$(( (5 * block_mib + 64) * 1024 ))
run "$bench_bin" --workers "$workers" --quiet "$port" "$work/client" "$work"/small/*.bin
t_small=$(field seconds) c_small=$(field "cpu seconds") s_small=$service
echo "load after the uploads: $(uptime)"
run "$transport_bin" small
r_requests=$(field "small requests ratio")
small_report=$(grep -E '^ ' "$work/last.out" || true)

reference=$(echo "$t_md5 $t_curl" | awk '{ printf "%.3f", $1 + $2 }')
r_new=$(ratio "$t_new" "$reference")
r_service=$(ratio "$s_new" "$c_md5")
r_client=$(ratio "$c_new" "$c_md5")
r_first=$(ratio "$t_first" "$t_md5")
r_again=$(ratio "$t_again" "$t_md5")
rate_small=$(echo "$small_files $t_small" | awk '{ printf "%.1f", $1 / $2 }')
# Each worker spends its share of the engine's time per file, then pauses.
rate_queue=$(echo "$workers $small_files $t_small $task_pause" |
  awk '{ printf "%.1f", $1 / ($1 * $3 / $2 + $4) }')
printf '%s MiB file:\n' "$big_mib"
printf '  md5sum %.3f s (CPU %.3f s) + curl to the service %.3f s (service CPU %.3f s) = %.3f s\n' \
  "$t_md5" "$c_md5" "$t_curl" "$s_curl" "$reference"
printf '  engine, new file:        %.3f s  ratio %s (target <= 2.0, moonshot 1.5): %s\n' "$t_new" "$r_new" \
  "$(verdict "$r_new" 2.0)"
printf '    service CPU %.3f s     ratio to md5sum CPU %s (target <= 2.3, moonshot 2.1): %s\n' "$s_new" \
  "$r_service" "$(verdict "$r_service" 2.3)"
printf '    client CPU %.3f s      ratio to md5sum CPU %s (target <= 2.2, moonshot 2.05): %s\n' "$c_new" \
  "$r_client" "$(verdict "$r_client" 2.2)"
printf '    first block after %.3f s  ratio to md5sum %s (target <= 1.1, moonshot 1.0): %s\n' "$t_first" \
  "$r_first" "$(verdict "$r_first" 1.1)"
printf '  engine, same file again: %.3f s (CPU %.3f s)  ratio to md5sum %s (target <= 1.2): %s\n' "$t_again" \
  "$c_again" "$r_again" "$(verdict "$r_again" 1.2)"
printf 'five 256 MiB files at once: %.3f s, peak memory %d kB (bound %d kB): %s\n' "$t_five" "$peak_kb" \
  "$bound_kb" "$(verdict "$peak_kb" "$bound_kb")"
printf '%d small files, %d workers: %.3f s, %s files/s (client CPU %.3f s, service CPU %.3f s);\n' \
  "$small_files" "$workers" "$t_small" "$rate_small" "$c_small" "$s_small"
printf '  with the queue'"'"'s %s s pause after each task: at most %s files/s\n' "$task_pause" "$rate_queue"
printf '%s\n' "$small_report"
printf '  signed small requests / plain libcurl reusing its connection: %s (target >= 0.9, moonshot 1.0): %s\n' \
  "$r_requests" "$(at_least "$r_requests" 0.9)"
