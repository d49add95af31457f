#!/usr/bin/env bash
# Checks the project's own C++ files: their formatting against the committed
# .clang-format, and clang-tidy's findings under the committed .clang-tidy.
# Any difference or finding fails.
#
#   scripts/lint.sh          both checks
#   scripts/lint.sh format   formatting only (takes a second)
#   scripts/lint.sh tidy     clang-tidy only
#
# clang-tidy reads the compile commands of the native preset, configured in
# TARVOK_LINT_BUILD_DIR (default build/lint) with the benchmarks and the
# library extras switched on so that their sources are checked too, then those
# of the windows preset, configured in the same folder name with -windows,
# for the translation units that only it compiles (the *_win32 sources and
# tests), read against the MinGW-w64 headers. It skips the per-instruction-set
# kernels (sources compiled with their own -m flags): their intrinsics are
# checked by the kernel tests, not by style.
# TARVOK_LINT_JOBS (default: the processors) runs that many at once, and the
# whole run stops after TARVOK_LINT_TIMEOUT seconds (default 900).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

what="${1:-all}"
case "${what}" in
  all | format | tidy) ;;
  *) echo "usage: $0 [format|tidy]" >&2; exit 2 ;;
esac

# Own files, committed or not; generated ones live under build/, which git ignores.
mapfile -t sources < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')

status=0

if [ "${what}" != tidy ]; then
  echo "=== clang-format: ${#sources[@]} files"
  if ! clang-format --dry-run -Werror "${sources[@]}"; then
    echo "lint: run clang-format -i on the files above" >&2
    status=1
  fi
fi

# tidy_database BUILD [ARG...]: runs clang-tidy over the own translation units
# of BUILD's compile database that no earlier call checked, each ARG added to
# every compiler command. Any finding sets status.
declare -A checked=()
tidy_database() {
  local build="$1"
  shift
  local units=() unit
  # Own translation units only, and no kernel: one compiled with an
  # instruction-set flag such as -mpclmul or -mavx2 (-m32 and -m64 are not).
  mapfile -t units < <(python3 - "${build}/compile_commands.json" "${root}" "${sources[@]}" <<'PY'
import json, os, re, sys
database, root, tracked = sys.argv[1], sys.argv[2], set(sys.argv[3:])
kernel = re.compile(r"(^|\s)-m(?!32\b|64\b)[a-z]")
for entry in json.load(open(database)):
    path = os.path.relpath(os.path.join(entry["directory"], entry["file"]), root)
    command = entry.get("command") or " ".join(entry.get("arguments", []))
    if path in tracked and not kernel.search(command):
        print(os.path.join(root, path))
PY
  )
  local fresh=()
  for unit in "${units[@]}"; do
    if [ -z "${checked[${unit}]:-}" ]; then fresh+=("${unit}"); fi
    checked[${unit}]=1
  done
  echo "=== clang-tidy: ${#fresh[@]} translation units of ${build#"${root}"/}, ${jobs} at a time"
  [ "${#fresh[@]}" -gt 0 ] || return 0
  local tidy arg
  if command -v run-clang-tidy >/dev/null; then
    # run-clang-tidy takes regular expressions; each names one file exactly.
    tidy=(run-clang-tidy -quiet -p "${build}" -j "${jobs}")
    for arg in "$@"; do tidy+=("-extra-arg=${arg}"); done
    for unit in "${fresh[@]}"; do tidy+=("^$(printf '%s' "${unit}" | sed 's/[][\.*^$+?(){}|]/\\&/g')\$"); done
  else
    tidy=(xargs -P "${jobs}" -n 1 clang-tidy --quiet -p "${build}" --warnings-as-errors='*')
    for arg in "$@"; do tidy+=("--extra-arg=${arg}"); done
  fi
  # .clang-tidy makes every finding an error, so a finding fails the run.
  # The counts of warnings in system headers, which are never shown, are noise;
  # run-clang-tidy colours everything, which a log shows as escapes.
  local left=$((deadline - SECONDS)) codes
  [ "${left}" -gt 0 ] || left=1
  set +e
  printf '%s\n' "${fresh[@]}" | timeout "${left}" "${tidy[@]}" 2>&1 |
    sed 's/\x1b\[[0-9;]*m//g' | grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$'
  codes=("${PIPESTATUS[@]}")
  set -e
  if [ "${codes[1]}" -ne 0 ]; then
    echo "lint: clang-tidy found the problems above (or ran out of time)" >&2
    status=1
  fi
}

# mingw_args COMPILER: what clang needs to read a source as the MinGW-w64
# cross compiler COMPILER does: its target, and its include directories in its
# order, with clang's own headers in place of GCC's (its intrinsics and
# stddef.h are GCC's own, which clang cannot read).
mingw_args() {
  local compiler="$1" own dir
  own="$(realpath "$("${compiler}" -print-file-name=include)")"
  echo "--target=$("${compiler}" -dumpmachine)"
  echo "-nostdlibinc"
  "${compiler}" -E -x c++ - -v </dev/null 2>&1 |
    sed -n '/^#include <\.\.\.> search starts here:$/,/^End of search list\.$/{//!p}' |
    while read -r dir; do
      dir="$(realpath "${dir}")"
      case "${dir}" in
        "${own}" | "${own}-fixed") ;;
        */c++ | */c++/*) echo "-isystem${dir}" ;; # before clang's headers
        *) echo "-idirafter${dir}" ;;             # the C library's, after them
      esac
    done
}

if [ "${what}" != format ]; then
  build="${TARVOK_LINT_BUILD_DIR:-build/lint}"
  case "${build}" in /*) ;; *) build="${root}/${build}" ;; esac
  jobs="${TARVOK_LINT_JOBS:-$(nproc)}"
  deadline=$((SECONDS + ${TARVOK_LINT_TIMEOUT:-900}))
  cmake --preset native -B "${build}" -DTARVOK_BENCH=ON -DTARVOK_EXTRAS=ON >/dev/null
  tidy_database "${build}"
  cmake --preset windows -B "${build}-windows" >/dev/null
  compiler="$(sed -n 's/^set(CMAKE_CXX_COMPILER \(.*\))$/\1/p' cmake/mingw-w64-x86_64.cmake)"
  mapfile -t windows_args < <(mingw_args "${compiler}")
  tidy_database "${build}-windows" "${windows_args[@]}"
fi

exit "${status}"
