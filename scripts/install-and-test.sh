#!/usr/bin/env bash
# Installs what the builds and tests need (Debian packages), checks the
# formatting and clang-tidy's findings (scripts/lint.sh), then builds and
# tests every deliverable: linux (32-bit), native, sanitize, portable (the
# CRC-32 without carry-less multiplication), windows (under wine), installs
# the native, linux and windows programs into a scratch prefix and runs the
# installed ones as the README shows, and runs the fuzz targets for a bounded
# time.
set -euo pipefail
cd "$(dirname "$0")/.."

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends \
  cmake ninja-build g++ g++-multilib qemu-user googletest python3 time binutils file util-linux \
  g++-mingw-w64-x86-64-posix wine wine64 \
  clang libclang-rt-14-dev clang-format clang-tidy

# wine builds its prefix on first use; do it once here, not inside parallel tests.
export WINEDEBUG=-all
wineboot --init >/dev/null 2>&1 || true
# One wine server for the whole run: the Windows tests start thousands of short
# wine processes, and a client that connects while an idle server is shutting
# down fails ("recvmsg: Connection reset by peer").
timeout 120 wineserver -w || true
wineserver -p || true
# The lasting server keeps wine's own device processes alive too; start them
# here, with no output to hold, or the first test's pipes stay open with them.
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
logs="$(mktemp -d)"
trap 'rm -rf "${logs}"; wineserver -k || true' EXIT

echo "=== lint"
scripts/lint.sh

passed=0
skipped=0
for preset in linux native sanitize portable windows; do
  echo "=== ${preset}"
  cmake --preset "${preset}"
  cmake --build --preset "${preset}"
  ctest --preset "${preset}" 2>&1 | tee "${logs}/${preset}.log"
  # ctest counts a skipped test among those that passed, and the end-to-end
  # set-up entries (cli.setup.*) among the tests; neither is a passed test.
  ran="$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9][0-9]*\).*/\1/p' "${logs}/${preset}.log" | tail -n 1)"
  skips="$(grep -c '(Skipped)' "${logs}/${preset}.log" || true)"
  setups="$(grep -c -E 'Test +#[0-9]+: cli\.setup\.[^ ]* \.+ +Passed' "${logs}/${preset}.log" || true)"
  passed=$((passed + ${ran:-0} - skips - setups))
  skipped=$((skipped + skips))
done

# What a user gets: each deliverable installed into a scratch prefix, and the
# installed program run as the README's runs on the intact example release
# show it (a block of commands that are all tarvok runs); any other output
# fails the script.
echo "=== install"
prefix="${logs}/prefix"
check_readme_runs() {
  python3 - "$@" <<'PYTHON'
import pathlib, re, shlex, subprocess, sys
runner = sys.argv[1:]
readme = pathlib.Path("README.md").read_text(encoding="utf-8")
runs = readme.split("\n## Runs\n", 1)[1].split("\n## ", 1)[0]
blocks = re.findall(r"(?:^    .*\n(?:\n(?=    ))?)+", runs, re.M)
checked = 0
failed = 0
for block in blocks:
    lines = [line[4:] for line in block.splitlines()]
    commands = [i for i, line in enumerate(lines) if line.startswith("$ ")]
    if not commands or commands[0] != 0 or not all(lines[i].startswith("$ tarvok") for i in commands):
        continue
    for at, end in zip(commands, commands[1:] + [len(lines)]):
        args = shlex.split(lines[at][2:])[1:]
        expected = "".join(line + "\n" for line in lines[at + 1 : end]).encode("utf-8")
        result = subprocess.run(runner + args, cwd="examples/release", capture_output=True)
        checked += 1
        if result.stdout != expected or result.stderr or result.returncode != 0:
            failed += 1
            print(f"{' '.join(runner)}: '{lines[at]}' printed {result.stdout!r} {result.stderr!r}"
                  f" (status {result.returncode}), the README shows {expected!r}")
if checked == 0:
    sys.exit("no run of the intact example release found in the README")
if failed:
    sys.exit(1)
print(f"{' '.join(runner)}: {checked} README runs as shown")
PYTHON
}
for preset in native linux windows; do
  cmake --install "build/${preset}" --prefix "${prefix}/${preset}"
done
check_readme_runs "${prefix}/native/bin/tarvok"
# On a kernel that runs no 32-bit programs, the 32-bit one runs under qemu-i386.
emulator=""
if ! "${prefix}/linux/bin/tarvok" --version >/dev/null 2>&1; then emulator="qemu-i386"; fi
check_readme_runs ${emulator} "${prefix}/linux/bin/tarvok"
check_readme_runs wine "${prefix}/windows/bin/tarvok.exe"

echo "=== fuzz"
scripts/fuzz.sh 60

echo "tests: ${passed} passed, 0 failed, ${skipped} skipped"
