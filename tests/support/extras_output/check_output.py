"""Runs the extras' output probes with standard input, output and error on
pipes and compares every byte: a line ends in LF alone on every platform, and
standard input is read as it is (CR LF, a lone CR, Ctrl-Z).

usage: check_output.py CONSOLE_PROBE FILES_PROBE
(TARVOK_EMULATOR may name wine or another runner to put in front.)
"""
import os
import pathlib
import subprocess
import sys
import tempfile

CONSOLE_OUT = b"    1:2: ab\n    2:0: \n    1:2: cd\n    2:1: e\n"
CONSOLE_ERR = b"probe: warning: careful\nprobe: fatal: stop\n"
FILES_IN = b"a\r\nb\rc\x1ad\n\x00e"
FILES_ERR = b"error: could not open \"no/such/dir/out.bin\" for writing\n"


def run(probe, args, cwd, stdin=b""):
    emulator = os.environ.get("TARVOK_EMULATOR", "")
    command = ([emulator] if emulator else []) + [probe] + args
    return subprocess.run(command, input=stdin, capture_output=True, cwd=cwd, timeout=60)


def compare(label, got, expected):
    if got == expected:
        return 0
    print(f"{label} is {got!r}, expected {expected!r}")
    return 1


def main(argv):
    if len(argv) != 3:
        sys.exit(__doc__)
    console_probe, files_probe = (str(pathlib.Path(p).resolve()) for p in argv[1:])
    failures = 0
    with tempfile.TemporaryDirectory(prefix="tarvok-extras-output-") as scratch:
        for mode in ("synced", "unsynced"):
            done = run(console_probe, [mode], scratch)
            failures += compare(f"console {mode}: status", done.returncode, 0)
            failures += compare(f"console {mode}: stdout", done.stdout, CONSOLE_OUT)
            failures += compare(f"console {mode}: stderr", done.stderr, CONSOLE_ERR)
        done = run(files_probe, ["copy.bin"], scratch, FILES_IN)
        failures += compare("files: status", done.returncode, 0)
        failures += compare("files: stdout", done.stdout, b"")
        failures += compare("files: stderr", done.stderr, FILES_ERR)
        copy = pathlib.Path(scratch, "copy.bin")
        failures += compare("files: copy.bin", copy.read_bytes() if copy.exists() else None, FILES_IN)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
