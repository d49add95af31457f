#!/usr/bin/env bash
# Times tarvok's .sfv check of a ~1 GiB release against a plain sequential
# read of the same files, and against tarvok built with the portable CRC only.
#
#   bench/run.sh [SCRATCH_DIR]     (default /tmp/tarvok-bench)
#
# Environment: PRESET (linux or native, default linux), ROUNDS (default 5),
# FILES (default 20), FILE_MIB (default 50). Figures are printed, never judged.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
scratch=${1:-/tmp/tarvok-bench}
preset=${PRESET:-linux}
rounds=${ROUNDS:-5}
files=${FILES:-20}
file_mib=${FILE_MIB:-50}

case "$preset" in
  linux | native) ;;
  *) echo "run.sh: PRESET must be linux or native, not '$preset'" >&2; exit 2 ;;
esac
for tool in cmake python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "run.sh: $tool is needed" >&2; exit 2; }
done

build=$root/build/bench-$preset
portable=$root/build/bench-$preset-portable

# The benchmark programs are built by the project (TARVOK_BENCH), with the
# preset's flags, so the baseline and the kernels are compiled as the program is.
echo "== building tarvok, plain_read, crc32_throughput ($preset, TARVOK_BENCH=ON) and tarvok ($preset, TARVOK_PORTABLE_CRC=ON)"
cmake --no-warn-unused-cli --preset "$preset" -B "$build" -DBUILD_TESTING=OFF -DTARVOK_BENCH=ON >/dev/null
cmake --build "$build" --target tarvok plain_read crc32_throughput >/dev/null
cmake --no-warn-unused-cli --preset "$preset" -B "$portable" -DBUILD_TESTING=OFF -DTARVOK_PORTABLE_CRC=ON >/dev/null
cmake --build "$portable" --target tarvok >/dev/null
if ! "$build/bench/plain_read" >/dev/null 2>&1; then
  # Timing under an emulator would say nothing of the program.
  echo "run.sh: the $preset programs do not run on this kernel; try PRESET=native" >&2
  exit 2
fi

# The release: bench.rar, bench.r00, ... of pseudo-random bytes, and
# bench.sfv listing them. Made once and reused while the stamp matches.
mkdir -p "$scratch"
names=(bench.rar)
for ((i = 0; i < files - 1; ++i)); do names+=("$(printf 'bench.r%02d' "$i")"); done
stamp="$files files of $file_mib MiB"
if [[ "$(cat "$scratch/bench.stamp" 2>/dev/null)" != "$stamp" ]]; then
  echo "== writing $stamp to $scratch"
  rm -f "$scratch/bench.stamp"
  python3 - "$scratch" "$file_mib" "${names[@]}" <<'PY'
import os, random, sys, zlib
scratch, mib, names = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
rng = random.Random(1)
lines = ["; bench release for bench/run.sh"]
for name in names:
    crc = 0
    with open(os.path.join(scratch, name), "wb") as out:
        for _ in range(mib):
            block = rng.randbytes(1 << 20)
            crc = zlib.crc32(block, crc)
            out.write(block)
    lines.append("%s %08X" % (name, crc))
with open(os.path.join(scratch, "bench.sfv"), "w") as sfv:
    sfv.write("\n".join(lines) + "\n")
PY
  echo "$stamp" > "$scratch/bench.stamp"
fi
paths=()
for name in "${names[@]}"; do paths+=("$scratch/$name"); done

echo "== warming the page cache"
cat "${paths[@]}" > /dev/null
cat "${paths[@]}" > /dev/null

# seconds COMMAND...: wall time of one run; output dropped, failure fatal.
seconds() {
  local start end
  start=$(date +%s%N)
  if ! (cd "$scratch" && "$@" > /dev/null); then
    echo "run.sh: '$*' failed in $scratch" >&2
    exit 1
  fi
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }'
}
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

tarvok=("$build/application/tarvok" bench.sfv)
portable_tarvok=("$portable/application/tarvok" bench.sfv)
plain=("$build/bench/plain_read" "${names[@]}")

echo "== $rounds rounds, each runs all three (order rotates from round to round)"
printf '%-6s %10s %10s %10s\n' round tarvok plain portable
t_all=() p_all=() q_all=()
for ((r = 1; r <= rounds; ++r)); do
  t='' p='' q=''
  for ((j = 0; j < 3; ++j)); do
    case $(((r + j) % 3)) in
      0) t=$(seconds "${tarvok[@]}") ;;
      1) p=$(seconds "${plain[@]}") ;;
      2) q=$(seconds "${portable_tarvok[@]}") ;;
    esac
  done
  t_all+=("$t") p_all+=("$p") q_all+=("$q")
  printf '%-6s %10s %10s %10s\n' "$r" "$t" "$p" "$q"
done
tm=$(median "${t_all[@]}")
pm=$(median "${p_all[@]}")
qm=$(median "${q_all[@]}")
printf '%-6s %10s %10s %10s   (seconds)\n' median "$tm" "$pm" "$qm"

rss_kib=$(cd "$scratch" && /usr/bin/time -v "${tarvok[@]}" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ { print $2 }')
total_mib=$((files * file_mib))
awk -v t="$tm" -v p="$pm" -v q="$qm" -v rss="$rss_kib" -v mib="$total_mib" 'BEGIN {
  printf "\nverify of %d MiB: tarvok %.0f MiB/s, plain read %.0f MiB/s, portable %.0f MiB/s\n", mib, mib / t, mib / p, mib / q
  printf "tarvok   / plain read: %.2f   (target: at most 1.25)\n", t / p
  printf "portable / plain read: %.2f\n", q / p
  printf "tarvok peak resident memory: %.1f MiB   (target: under 16 MiB)\n", rss / 1024
}'

echo
echo "== dvk::crc32 kernels ($preset build), data in the caches"
"$build/bench/crc32_throughput"
