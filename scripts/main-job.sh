#!/usr/bin/env bash
# The main job: builds everything, then does what a user does. It logs in with
# norvel-flinga-send, hands a few sample files to the uploader through norvel-flinga-send
# (which starts the launcher), waits for the uploads and prints where each file landed.
# When no service is configured it runs against the substitute service with a demo
# account, in a private environment under build/main/main-job (the user's own settings and
# login are not touched).
#
# A build without the upload engine says so and runs the self-check instead: the unit
# suites of every part it has.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake -S . -B build/main -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/main -j "$(nproc)"

root=$PWD
flinga=$root/build/main/Flinga
send=$flinga/norvel-flinga-send
service_bin=$root/build/main/service/norvel-service
job=$root/build/main/main-job
upload_wait=${NORVEL_MAIN_JOB_WAIT:-300}  # seconds the uploads may take
service_pid=""
port=""

say() { echo "main-job: $*"; }

runtime_dir() { echo "${XDG_RUNTIME_DIR:+$XDG_RUNTIME_DIR/norvel}"; }

stop_launcher() {
  local lock
  lock="$(runtime_dir)/PC_NORVEL_FLINGA"
  [[ -n $(runtime_dir) && -f $lock ]] || return 0
  local pid
  pid=$(head -n 1 "$lock")
  if [[ -n $pid ]] && kill -TERM "$pid" 2>/dev/null; then
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
}

cleanup() {
  if [[ -n ${own_environment:-} ]]; then
    stop_launcher
  fi
  if [[ -n $service_pid ]]; then
    kill -TERM "$service_pid" 2>/dev/null || true
    wait "$service_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

self_check() {
  say "$1"
  say "running the self-check instead"
  cleanup
  service_pid=""
  own_environment=""
  ctest --test-dir build/main -j "$(nproc)" --output-on-failure --no-tests=error
  exit $?
}

# The settings file the programs read (see platform/include/platform/registry.h).
registry_file() {
  if [[ -n ${NORVEL_REGISTRY:-} ]]; then echo "$NORVEL_REGISTRY"
  else echo "${XDG_CONFIG_HOME:-$HOME/.config}/norvel/registry.reg"; fi
}

service_configured() {
  local file
  file=$(registry_file)
  [[ -f $file ]] && grep -q '^"API_HOST"=' "$file"
}

# A private environment and the substitute service with the account demo / demo123.
start_demo_service() {
  rm -rf "$job"
  mkdir -p "$job/data" "$job/config/norvel" "$job/run" "$job/samples"
  chmod 0700 "$job/run" "$job/data"
  export XDG_CONFIG_HOME=$job/config XDG_RUNTIME_DIR=$job/run
  export NORVEL_REGISTRY=$job/config/norvel/registry.reg
  own_environment=1
  "$service_bin" --data "$job/data" --add-user demo:demo123 >/dev/null
  "$service_bin" --data "$job/data" --listen 127.0.0.1:0 >"$job/service.out" 2>"$job/service.err" &
  service_pid=$!
  for _ in $(seq 100); do
    port=$(head -n 1 "$job/service.out" 2>/dev/null | tr -dc '0-9')
    [[ -n $port ]] && break
    sleep 0.1
  done
  [[ -n $port ]] || { cat "$job/service.err" >&2; say "the substitute service did not start"; exit 1; }
  local host=127.0.0.1:$port
  cat >"$NORVEL_REGISTRY" <<EOF
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\software\\Norvel]
"API_HOST"="$host"
"WEB_HOST"="$host"
"DOWNLOAD_HOST"="$host"
"LOGIN_HOST"="$host"
EOF
  chmod 0600 "$NORVEL_REGISTRY"
  say "substitute service on $host, account demo"
}

log_in() {
  local name=$1 password=$2 status=0
  printf '%s\n' "$password" | "$send" login "$name" || status=$?
  case $status in
    0) ;;
    *) say "the login of $name failed (status $status)"; exit 1 ;;
  esac
}

make_samples() {
  local samples=$1
  mkdir -p "$samples/Photos/2011"
  printf 'Hello from the Norvel uploader\n' >"$samples/hello.txt"
  head -c 3000000 /dev/urandom >"$samples/random.bin"
  printf 'a photo\n' >"$samples/Photos/2011/a.jpg"
  printf 'another photo\n' >"$samples/Photos/b.jpg"
}

# Waits until no task waits or uploads; prints the final states.
wait_for_uploads() {
  local expected=$1 deadline=$((SECONDS + upload_wait)) status
  while :; do
    status=$("$send" status --raw)
    local tasks busy
    tasks=$(grep -c '^task=' <<<"$status" || true)
    busy=$(grep -cE '^task=[0-9]+ (1|2) ' <<<"$status" || true)
    if ((tasks >= expected && busy == 0)); then break; fi
    if ((SECONDS >= deadline)); then say "the uploads did not finish within ${upload_wait}s"; echo "$status"; exit 1; fi
    sleep 1
  done
  grep '^task=' <<<"$status" | while read -r line; do
    line=${line#task=}
    local state=${line#* }
    state=${state%% *}
    local path
    path=$(printf '%b' "${line#* * }")  # names are escaped in status lines
    if [[ $state == 3 ]]; then say "uploaded: $path"; else say "FAILED (state $state): $path"; fi
  done
  ! grep -qE '^task=[0-9]+ ([^3]|[0-9]{2,}) ' <<<"$status"
}

# Where each sample landed in the demo account (the substitute service's own listing).
print_landing_places() {
  local samples=$1 tree
  tree=$(curl -fsS "http://127.0.0.1:$port/_admin/tree?username=demo")
  (cd "$samples" && find . -type f | sort) | while read -r file; do
    local name=${file#./} remote
    remote=$(jq -r --arg name "$name" \
      '.nodes[] | select(.folder == "false" and (.path | endswith("/" + $name))) | .path' <<<"$tree" | head -n 1)
    say "$samples/$name -> ${remote:-(not found on the service)}"
  done
}

if service_configured; then
  say "using the service configured in $(registry_file)"
  if [[ -n ${NORVEL_MAIN_JOB_USER:-} ]]; then
    log_in "$NORVEL_MAIN_JOB_USER" "${NORVEL_MAIN_JOB_PASSWORD:-}"
  fi
  samples=$(mktemp -d)
else
  start_demo_service
  log_in demo demo123
  samples=$job/samples
fi

make_samples "$samples"
"$send" upload "$samples/hello.txt" "$samples/random.bin" "$samples/Photos"
if ! "$send" status | grep -q '^engine=1$'; then
  self_check "the uploader reports no upload engine in this build"
fi
wait_for_uploads 4
if [[ -n $port ]]; then
  print_landing_places "$samples"
else
  say "the files are in the folder /我的网盘/我收到的文件 of the account"
fi
say "done"
