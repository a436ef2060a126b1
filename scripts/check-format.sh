#!/usr/bin/env bash
# Checks that every C++ file of the repository is formatted by the project's .clang-format
# (clang-format 14, as Debian 12 ships). Lists the files that differ and exits non-zero.
#   scripts/check-format.sh        check
#   scripts/check-format.sh --fix  format them in place
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.cc' '*.hpp' '*.c')
if [[ ${1:-} == --fix ]]; then
  clang-format -i "${files[@]}"
  exit 0
fi

unformatted=()
for file in "${files[@]}"; do
  if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
    unformatted+=("$file")
  fi
done
if ((${#unformatted[@]})); then
  printf 'not formatted: %s\n' "${unformatted[@]}"
  echo "check-format: ${#unformatted[@]} file(s) differ; scripts/check-format.sh --fix formats them"
  exit 1
fi
echo "check-format: ${#files[@]} files formatted"
