#!/usr/bin/env bash
# Builds the fuzz preset and runs each libFuzzer target for SECONDS seconds
# (default 60) on a copy of its seed corpus; a crash, leak or hang fails.
# TARVOK_FUZZ_BUILD_DIR picks the build folder (default build/fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

seconds="${1:-60}"
case "${seconds}" in
  ''|*[!0-9]*) echo "usage: $0 [SECONDS]" >&2; exit 2 ;;
esac

build="${TARVOK_FUZZ_BUILD_DIR:-build/fuzz}"
case "${build}" in /*) ;; *) build="${root}/${build}" ;; esac
cmake --preset fuzz -B "${build}"
cmake --build "${build}" --target srr_fuzzer sfv_line_fuzzer

# New inputs go to a scratch copy, never into the seeds under fuzz/corpus.
work="$(mktemp -d "${TMPDIR:-/tmp}/tarvok-fuzz-run.XXXXXX")"
trap 'rm -rf "${work}"' EXIT

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:allocator_may_return_null=1}"

status=0
for pair in srr_fuzzer:srr sfv_line_fuzzer:sfv; do
  target="${pair%%:*}"
  seeds="${pair##*:}"
  mkdir -p "${work}/${seeds}" "${work}/artifacts-${target}"
  cp -R "${root}/fuzz/corpus/${seeds}/." "${work}/${seeds}/"
  echo "=== ${target}: ${seconds} s"
  if ! "${build}/fuzz/${target}" \
      -max_total_time="${seconds}" -timeout=30 -rss_limit_mb=2048 -max_len=65536 \
      -print_final_stats=1 -artifact_prefix="${work}/artifacts-${target}/" \
      "${work}/${seeds}"; then
    echo "${target} failed; the input that broke it:" >&2
    mkdir -p "${build}/fuzz/artifacts"
    cp -R "${work}/artifacts-${target}/." "${build}/fuzz/artifacts/" 2>/dev/null || true
    ls -l "${build}/fuzz/artifacts" >&2 || true
    status=1
  fi
done
exit "${status}"
