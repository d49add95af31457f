"""Checks what the static Linux program does with locale files that its own C
library did not make: it adopts a locale whose files have its format, and
keeps the "C" locale, reporting as there, when their format differs.

usage: locale_files.py SCRATCH RELEASE PROBE PROGRAM [EMULATOR...]

SCRATCH: a folder this test may empty and fill; RELEASE: examples/release;
PROBE: a program that runs the program's locale set-up and prints the locale
then in force; PROGRAM: tarvok. Both run under EMULATOR when one is given.

The locale files are copies of the system's C.utf8, under a made-up name and
read through LOCPATH; the other formats are made by changing what glibc checks
before it uses a file: its format number (magic) and its count of items (a
glibc older than the file's maker knows fewer).
"""
import os
import pathlib
import shutil
import struct
import subprocess
import sys

SYSTEM_LOCALE = pathlib.Path("/usr/lib/locale/C.utf8")
SKIPPED = 77


def copy_locale(target, change=None):
    shutil.copytree(SYSTEM_LOCALE, target)
    if change:
        category, field, delta = change
        path = target / category
        data = bytearray(path.read_bytes())
        (value,) = struct.unpack_from("<I", data, field * 4)
        struct.pack_into("<I", data, field * 4, value + delta)
        path.write_bytes(bytes(data))


def run(command, environment, cwd=None):
    env = {key: value for key, value in os.environ.items() if not key.startswith("LC_")}
    env.pop("LANGUAGE", None)
    env.update(environment)
    result = subprocess.run(command, env=env, cwd=cwd, capture_output=True, timeout=120)
    return result.returncode, result.stdout, result.stderr


def main(argv):
    if len(argv) < 5:
        sys.exit(__doc__)
    scratch, release, probe, program = (pathlib.Path(a).resolve() for a in argv[1:5])
    emulator = argv[5:]
    if not SYSTEM_LOCALE.is_dir():
        print(f"no {SYSTEM_LOCALE} to copy: skipped")
        return SKIPPED
    shutil.rmtree(scratch, ignore_errors=True)
    scratch.mkdir(parents=True)
    # locale name -> (what the probe must print, how its files differ)
    cases = {
        "xx_SAME.UTF-8": ("xx_SAME.UTF-8", None),
        "xx_MAGIC.UTF-8": ("C", ("LC_CTYPE", 0, 0x100)),
        "xx_FEWER.UTF-8": ("C", ("LC_TIME", 1, -1)),
    }
    for name, (_, change) in cases.items():
        copy_locale(scratch / name, change)

    failures = []
    plain = run(emulator + [str(program), "-vv"], {"LANG": "C"}, cwd=release)
    if plain[0] != 0:
        failures.append(f"LANG=C: status {plain[0]}, stderr {plain[2]!r}")
    for name, (expected, _) in cases.items():
        environment = {"LOCPATH": str(scratch), "LANG": name, "LC_ALL": name}
        status, out, err = run(emulator + [str(probe)], environment)
        shown = out.decode(errors="replace").strip()
        if status != 0 or shown != expected:
            failures.append(f"{name}: the set-up left {shown!r} (status {status}), not {expected!r}")
        report = run(emulator + [str(program), "-vv"], environment, cwd=release)
        if report != plain:
            failures.append(f"{name}: the report differs from the one under LANG=C: {report!r}")
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
