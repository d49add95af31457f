#!/usr/bin/env bash
# Times tarvok's .sfv check of a ~1 GiB release against a plain sequential
# read of the same files at several chunk sizes, and against tarvok built with
# the portable CRC only; first with the release in the page cache, then with
# its pages evicted before every run.
#
#   bench/run.sh [SCRATCH_DIR]     (default /tmp/tarvok-bench)
#
# Environment (see bench/README.md): PRESET (linux or native, default linux),
# ROUNDS (default 5), FILES (default 20), FILE_MIB (default 50), BUFFERS_KIB
# (plain read chunk sizes, default "128 256 512 1024 4096"), COLD (auto, drop,
# fadvise or off; default auto), CHUNKS_KIB (tarvok chunk sizes to build and
# time as well, default none). Figures are printed, never judged.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
scratch=${1:-/tmp/tarvok-bench}
preset=${PRESET:-linux}
rounds=${ROUNDS:-5}
files=${FILES:-20}
file_mib=${FILE_MIB:-50}
buffers=${BUFFERS_KIB:-128 256 512 1024 4096}
chunks=${CHUNKS_KIB:-}
cold=${COLD:-auto}

case "$preset" in
  linux | native) ;;
  *) echo "run.sh: PRESET must be linux or native, not '$preset'" >&2; exit 2 ;;
esac
# Cold runs: dropping the whole page cache needs root, and then also slows
# everything else on the machine; evicting only the release's pages with
# posix_fadvise(POSIX_FADV_DONTNEED) works for anyone, since they are clean.
if [[ "$cold" == auto ]]; then
  if [[ $(id -u) == 0 && -w /proc/sys/vm/drop_caches ]]; then cold=drop; else cold=fadvise; fi
fi
case "$cold" in
  drop | fadvise | off) ;;
  *) echo "run.sh: COLD must be auto, drop, fadvise or off, not '$cold'" >&2; exit 2 ;;
esac
for tool in cmake python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "run.sh: $tool is needed" >&2; exit 2; }
done
command -v fincore >/dev/null || echo "run.sh: no fincore (util-linux): cold runs are evicted unchecked" >&2

build=$root/build/bench-$preset
portable=$root/build/bench-$preset-portable

# configure SOURCE_DIR BUILD_DIR CMAKE_ARGS...: configures the preset there.
configure() {
  (cd "$1" && cmake --no-warn-unused-cli --preset "$preset" -B "$2" -DBUILD_TESTING=OFF "${@:3}" >/dev/null)
}

# The benchmark programs are built by the project (TARVOK_BENCH), with the
# preset's flags, so the baseline and the kernels are compiled as the program is.
echo "== building tarvok, plain_read, crc32_throughput ($preset, TARVOK_BENCH=ON) and tarvok ($preset, TARVOK_PORTABLE_CRC=ON)"
configure "$root" "$build" -DTARVOK_BENCH=ON
cmake --build "$build" --target tarvok plain_read crc32_throughput >/dev/null
configure "$root" "$portable" -DTARVOK_PORTABLE_CRC=ON
cmake --build "$portable" --target tarvok >/dev/null
if ! "$build/bench/plain_read" >/dev/null 2>&1; then
  # Timing under an emulator would say nothing of the program.
  echo "run.sh: the $preset programs do not run on this kernel; try PRESET=native" >&2
  exit 2
fi

tarvoks=(--tarvok "tarvok=$build/application/tarvok" --tarvok "portable=$portable/application/tarvok")

# CHUNKS_KIB: tarvok with other read sizes, each built (both kernels) from a
# copy of the sources whose app::diskChunkSize is replaced. Files are copied
# only when they differ, so a second run rebuilds nothing.
if [[ -n "$chunks" ]]; then
  echo "== building tarvok with chunks of $chunks KiB (both kernels) in build/bench-chunks"
  header=application/crc_cache.h
  pattern='^inline constexpr std::size_t diskChunkSize = .*;$'
  grep -q "$pattern" "$root/$header" || { echo "run.sh: no diskChunkSize line in $header" >&2; exit 2; }
  mapfile -d '' sources < <(git -C "$root" ls-files -z --cached --others --exclude-standard)
  for kib in $chunks; do
    src=$root/build/bench-chunks/src-$kib
    for file in "${sources[@]}"; do
      [[ "$file" == "$header" || ! -f "$root/$file" ]] && continue
      if ! cmp -s "$root/$file" "$src/$file"; then
        mkdir -p "$(dirname "$src/$file")"
        cp -p "$root/$file" "$src/$file"
      fi
    done
    sed "s/$pattern/inline constexpr std::size_t diskChunkSize = std::size_t{$kib} << 10;/" "$root/$header" > "$src/$header.new"
    if cmp -s "$src/$header.new" "$src/$header"; then rm "$src/$header.new"; else mv "$src/$header.new" "$src/$header"; fi
    configure "$src" "$root/build/bench-chunks/$preset-$kib"
    cmake --build "$root/build/bench-chunks/$preset-$kib" --target tarvok >/dev/null
    configure "$src" "$root/build/bench-chunks/$preset-$kib-portable" -DTARVOK_PORTABLE_CRC=ON
    cmake --build "$root/build/bench-chunks/$preset-$kib-portable" --target tarvok >/dev/null
    tarvoks+=(--tarvok "tarvok $kib KiB=$root/build/bench-chunks/$preset-$kib/application/tarvok")
    tarvoks+=(--tarvok "portable $kib KiB=$root/build/bench-chunks/$preset-$kib-portable/application/tarvok")
  done
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
  # Written pages are dirty until they reach the disk, and only clean pages
  # can be evicted for the cold runs.
  sync
  echo "$stamp" > "$scratch/bench.stamp"
fi

python3 "$here/rounds.py" --scratch "$scratch" --rounds "$rounds" --cold "$cold" --plain "$build/bench/plain_read" \
  --buffers "$buffers" --warm-target 1.35 "${tarvoks[@]}" "${names[@]}"

echo
echo "== dvk::crc32 kernels ($preset build), data in the caches"
"$build/bench/crc32_throughput"
