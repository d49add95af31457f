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
# library extras switched on so that their sources are checked too. It skips
# the per-instruction-set kernels (sources compiled with their own -m flags):
# their intrinsics are checked by the kernel tests, not by style.
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

if [ "${what}" != format ]; then
  build="${TARVOK_LINT_BUILD_DIR:-build/lint}"
  case "${build}" in /*) ;; *) build="${root}/${build}" ;; esac
  jobs="${TARVOK_LINT_JOBS:-$(nproc)}"
  cmake --preset native -B "${build}" -DTARVOK_BENCH=ON -DTARVOK_EXTRAS=ON >/dev/null
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
  echo "=== clang-tidy: ${#units[@]} translation units, ${jobs} at a time"
  if command -v run-clang-tidy >/dev/null; then
    # run-clang-tidy takes regular expressions; each names one file exactly.
    patterns=()
    for unit in "${units[@]}"; do patterns+=("^$(printf '%s' "${unit}" | sed 's/[][\.*^$+?(){}|]/\\&/g')\$"); done
    tidy=(run-clang-tidy -quiet -p "${build}" -j "${jobs}" "${patterns[@]}")
  else
    tidy=(xargs -P "${jobs}" -n 1 clang-tidy --quiet -p "${build}" --warnings-as-errors='*')
  fi
  # .clang-tidy makes every finding an error, so a finding fails the run.
  # The counts of warnings in system headers, which are never shown, are noise.
  set +e
  printf '%s\n' "${units[@]}" | timeout "${TARVOK_LINT_TIMEOUT:-900}" "${tidy[@]}" 2>&1 |
    grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$'
  codes=("${PIPESTATUS[@]}")
  set -e
  if [ "${codes[1]}" -ne 0 ]; then
    echo "lint: clang-tidy found the problems above (or ran out of time)" >&2
    status=1
  fi
fi

exit "${status}"
