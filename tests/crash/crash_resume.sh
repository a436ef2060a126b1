#!/usr/bin/env bash
# A launcher killed in the middle of an upload loses nothing: the next start restores the
# task from uploader.dat and the upload completes, with the file's digest, without the
# user adding it again.
#
# Against the substitute service, in a private environment (HOME, XDG folders, settings
# file and install folder in a temporary folder): log in, upload a file slowed down by
# the service's delay fault, kill -9 the launcher after some of its blocks arrived, start
# it again (as the user does, no arguments) and wait for the file to be complete; end it
# cleanly and find the task in the saved list.
#
# Usage: crash_resume.sh BUILD_DIR   (the build tree: BUILD_DIR/Flinga, BUILD_DIR/service)
set -euo pipefail

build=$(cd "${1:?usage: crash_resume.sh BUILD_DIR}" && pwd)
size_kib=${NORVEL_CRASH_FILE_KIB:-3072}   # 48 blocks of 64 KiB
block_delay_ms=${NORVEL_CRASH_BLOCK_DELAY_MS:-80}
wait_s=${NORVEL_CRASH_WAIT_S:-45}

work=$(mktemp -d)
service_pid=""

say() { echo "crash_resume: $*"; }
fail() { say "FAILED: $*"; exit 1; }

launcher_pid() { head -n 1 "$XDG_RUNTIME_DIR/norvel/PC_NORVEL_FLINGA" 2>/dev/null || true; }

stop_launcher() {
  local pid
  pid=$(launcher_pid)
  [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null || return 0
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null || true
}

cleanup() {
  stop_launcher
  if [[ -n $service_pid ]]; then
    kill -TERM "$service_pid" 2>/dev/null || true
    wait "$service_pid" 2>/dev/null || true
  fi
  if [[ -n ${NORVEL_CRASH_KEEP:-} ]]; then say "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

# Waits (polling every 0.1 s) until the command succeeds; false after `seconds`.
wait_until() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

# --- a private environment and a private install folder (uploader.dat lives there) -----
mkdir -p "$work/home" "$work/config/norvel" "$work/run" "$work/data" "$work/install" "$work/files"
chmod 0700 "$work/run" "$work/data"
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
export NORVEL_REGISTRY=$work/config/norvel/registry.reg
export QT_QPA_PLATFORM=offscreen
unset DISPLAY WAYLAND_DISPLAY
cp -r "$build/Flinga" "$work/install/Flinga"
rm -rf "$work/install/Flinga/Log" "$work/install/Flinga/uploader.dat"*
flinga=$work/install/Flinga
send=$flinga/norvel-flinga-send
list=$flinga/uploader.dat

# --- the substitute service, slowed down block by block ---------------------------------
service=$build/service/norvel-service
"$service" --data "$work/data" --add-user demo:demo123 >/dev/null
"$service" --data "$work/data" --listen 127.0.0.1:0 >"$work/service.out" 2>"$work/service.err" &
service_pid=$!
port=""
wait_until 10 eval 'port=$(head -n 1 "$work/service.out" 2>/dev/null | tr -dc 0-9); [[ -n $port ]]' ||
  fail "the service did not start: $(cat "$work/service.err")"
api=http://127.0.0.1:$port
cat >"$NORVEL_REGISTRY" <<EOF
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\software\\Norvel]
"API_HOST"="127.0.0.1:$port"
"WEB_HOST"="127.0.0.1:$port"
"DOWNLOAD_HOST"="127.0.0.1:$port"
"LOGIN_HOST"="127.0.0.1:$port"
EOF
chmod 0600 "$NORVEL_REGISTRY"
curl -fsS -d block_size=65536 "$api/_admin/switch" >/dev/null
curl -fsS -d "kind=delay&path=/up/up_blk&count=0&ms=$block_delay_ms" "$api/_admin/fault" >/dev/null

blocks() {  # block requests the service answered
  curl -fsS "$api/_admin/requests?after=0" |
    jq '[.requests[] | select(.path == "/up/up_blk" and (.status | tostring) == "200")] | length'
}
requests_seen() {
  curl -fsS "$api/_admin/requests?after=0" | jq -c '[.requests[] | "\(.path) \(.status)"] | group_by(.) | map({(.[0]): length}) | add'
}

# --- log in and upload ------------------------------------------------------------------
printf 'demo123\n' | "$send" login demo >/dev/null || fail "the login failed"
file=$work/files/big.bin
head -c $((size_kib * 1024)) /dev/urandom >"$file"
digest=$(md5sum "$file" | cut -d' ' -f1)
total_blocks=$(((size_kib + 63) / 64))
"$send" upload "$file" >/dev/null || fail "norvel-flinga-send upload failed"

wait_until 20 eval '(( $(blocks) >= total_blocks / 4 ))' || fail "the upload did not start: $(requests_seen)"
list_holds() { [[ -f $list ]] && tr -d '\0' <"$list" | grep -q "$1"; }  # UTF-16 names
wait_until 5 list_holds big.bin || fail "uploader.dat does not hold the running task"
pid=$(launcher_pid)
kill -KILL "$pid"
wait_until 10 eval '! kill -0 '"$pid"' 2>/dev/null' || fail "the launcher did not die"
before=$(blocks)
((before < total_blocks)) || fail "the upload finished before the kill; slow it down"
say "killed the launcher (pid $pid) after $before of $total_blocks blocks"

# --- the next start: the user starts the uploader, nothing else -------------------------
"$flinga/Norvel_Flinga" >"$work/launcher2.out" 2>&1 &
remote_digest() {
  curl -fsS "$api/_admin/tree?username=demo" |
    jq -r '.nodes[] | select(.folder == "false" and (.path | endswith("/big.bin"))) | .md5' | head -n 1
}
wait_until "$wait_s" eval '[[ $(remote_digest) == "$digest" ]]' ||
  fail "big.bin did not complete after the restart (service has: '$(remote_digest)')"
after=$(blocks)
say "big.bin complete with md5 $digest; blocks sent after the restart: $((after - before))"
status=$("$send" status --raw)
grep -qE '^task=[0-9]+ 3 .*big\.bin' <<<"$status" || fail "the task is not shown complete: $status"
# A clean end (SIGTERM: save and exit) writes the list once more, the finished task in it.
stop_launcher
list_holds big.bin || fail "the exit's save did not keep the task"
say "passed"
