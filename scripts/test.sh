#!/usr/bin/env bash
# Builds the project and runs the whole suite:
#   0. a check that every C++ file is formatted by the project's .clang-format,
#   1. a normal build with every test, and lintian on its Debian package when lintian is
#      installed,
#   2. an AddressSanitizer + UndefinedBehaviorSanitizer build with every test,
#   3. a ThreadSanitizer build of the suites labelled "concurrency",
#   4. the libFuzzer targets for a fixed time each (clang).
# Prints each runner's summary and a closing total; exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh || exit 1

jobs=$(nproc)
fuzz_seconds=${NORVEL_FUZZ_SECONDS:-60}
passed=0
failed=0
status=0

# count_ctest LOG: adds the counts of a ctest summary line to the totals.
count_ctest() {
  local line
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)
  if [[ -z $line ]]; then
    return
  fi
  local bad total
  bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

# suite NAME DIR TARGET CTEST_ARGS... -- CMAKE_ARGS...
suite() {
  local name=$1 dir=$2 target=$3
  shift 3
  local ctest_args=() cmake_args=()
  while (($#)) && [[ $1 != -- ]]; do ctest_args+=("$1"); shift; done
  (($#)) && shift
  cmake_args=("$@")
  echo "=== $name: configure and build ($dir)"
  if ! cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVEL_WERROR=ON \
      "${cmake_args[@]}" >"$dir.configure.log" 2>&1; then
    cat "$dir.configure.log"
    echo "=== $name: configuration FAILED"
    failed=$((failed + 1)); status=1; return
  fi
  if ! cmake --build "$dir" -j "$jobs" --target "$target"; then
    echo "=== $name: build FAILED"
    failed=$((failed + 1)); status=1; return
  fi
  echo "=== $name: tests"
  local log="$dir.ctest.log"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" "${ctest_args[@]}" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  count_ctest "$log"
  if ((rc != 0)); then
    echo "=== $name: tests FAILED"
    status=1
  fi
}

mkdir -p build
# Formatting of every C++ file (scripts/check-format.sh --fix mends it).
echo "=== format check"
if ./scripts/check-format.sh; then
  passed=$((passed + 1))
else
  echo "=== format check FAILED"
  failed=$((failed + 1)); status=1
fi
suite "normal build" build/ci-normal all --
# The Debian package of the normal build, checked by lintian when it is installed (it is
# not among the dependencies: a large package); errors fail, warnings are shown.
if command -v lintian >/dev/null 2>&1 && [[ -f build/ci-normal/CPackConfig.cmake ]]; then
  echo "=== package: lintian"
  rm -rf build/ci-package
  if cpack -G DEB --config build/ci-normal/CPackConfig.cmake -B build/ci-package \
      >build/ci-package.log 2>&1 &&
     lintian --fail-on error build/ci-package/*.deb; then
    passed=$((passed + 1))
  else
    cat build/ci-package.log
    echo "=== package: lintian FAILED"
    failed=$((failed + 1)); status=1
  fi
fi
suite "address+undefined sanitizers" build/ci-asan all -- -DNORVEL_SANITIZE=address,undefined
suite "thread sanitizer" build/ci-tsan norvel_concurrency_tests -L concurrency --no-tests=ignore \
  -- -DNORVEL_SANITIZE=thread

# Fuzzing: every target under build/ci-fuzz/fuzz named fuzz_* runs for a fixed time,
# starting from its corpus in fuzz/corpus/<name> (copied, so the tree stays clean).
if [[ -f fuzz/CMakeLists.txt ]]; then
  echo "=== fuzzing: configure and build"
  if CC=clang CXX=clang++ cmake -S . -B build/ci-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DNORVEL_FUZZ=ON -DNORVEL_BUILD_TESTS=OFF >build/ci-fuzz.configure.log 2>&1 &&
     cmake --build build/ci-fuzz -j "$jobs" --target norvel_fuzzers; then
    for fuzzer in build/ci-fuzz/fuzz/fuzz_*; do
      [[ -x $fuzzer ]] || continue
      name=$(basename "$fuzzer")
      corpus=$(mktemp -d)
      [[ -d fuzz/corpus/$name ]] && cp -r "fuzz/corpus/$name/." "$corpus/"
      echo "=== fuzzing $name for ${fuzz_seconds}s"
      if "$fuzzer" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
          -artifact_prefix=build/ci-fuzz/ "$corpus" >"build/ci-fuzz/$name.log" 2>&1; then
        tail -n 2 "build/ci-fuzz/$name.log"
        passed=$((passed + 1))
      else
        tail -n 40 "build/ci-fuzz/$name.log"
        echo "=== fuzzing $name FAILED (crashing input saved under build/ci-fuzz/)"
        failed=$((failed + 1)); status=1
      fi
      rm -rf "$corpus"
    done
  else
    cat build/ci-fuzz.configure.log
    echo "=== fuzzing: build FAILED"
    failed=$((failed + 1)); status=1
  fi
fi

echo
echo "total: $passed passed, $failed failed"
exit $status
