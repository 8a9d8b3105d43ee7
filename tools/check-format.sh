#!/usr/bin/env bash
# Fails when a C++ file of the repository differs from .clang-format, and
# names each one. With --fix, formats them in place instead.
set -uo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
  echo "check-format: clang-format not found (tools/install-deps.sh installs it)" >&2
  exit 1
fi
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.inc')
else
  mapfile -t files < <(find . -path ./build\* -prune -o \( -name '*.cpp' -o -name '*.h' -o -name '*.inc' \) -print)
fi
if [[ ${1:-} == --fix ]]; then
  clang-format -i "${files[@]}"
  exit 0
fi
bad=0
for f in "${files[@]}"; do
  [[ -f $f ]] || continue
  if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
    echo "check-format: $f differs from .clang-format (tools/check-format.sh --fix)" >&2
    bad=1
  fi
done
[[ $bad -eq 0 ]] && echo "check-format: ${#files[@]} files follow .clang-format"
exit $bad
