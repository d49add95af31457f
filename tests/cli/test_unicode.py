"""End-to-end tests of names outside ASCII: UTF-8 from the command line, the listing and the
checksum files to the disk and back, on both deliverables alike."""

import errno
import fcntl
import os
import re
import select
import shutil
import struct
import subprocess
import termios
import time

import harness
import srr_writer as w
from harness import CliCase, WINDOWS, crc32, crc_column, sfv

# Two, three and four bytes a character, and a folder in the name.
NAMES = ["é.bin", "日本/ファイル.r00", "\U0001D11E-clef.nfo"]
CONTENTS = {name: ("contents of %s\n" % name).encode("utf-8") for name in NAMES}
# Bytes that are no UTF-8 (the Latin-1 spelling of "café.bin"). On Linux it is
# a name of bytes like any other; on Windows it has no UTF-16 spelling and so
# names no file.
NOT_UTF8 = b"caf\xe9.bin"

NOT_FOUND_TEXT = b"tarvok: error: could not find '%s' - does it exist ?\n"


def u8(text):
    return text.encode("utf-8")


def line(marker, name, column=b""):
    return b" " + marker + b" : " + column + (name if isinstance(name, bytes) else u8(name)) + b"\n"


class UnicodeCase(CliCase):
    def release(self, folder):
        """The files of NAMES, and the not-UTF-8 one, with their contents."""
        for name in NAMES:
            path = folder / name
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(CONTENTS[name])
        (folder / os.fsdecode(NOT_UTF8)).write_bytes(b"bytes\n")


class Discovery(UnicodeCase):
    def test_checksum_files_with_non_ascii_names_are_found(self):
        listing = sfv([(name, CONTENTS[name]) for name in NAMES])
        stored = w.srr([w.srr_header(), w.stored("é.bin", CONTENTS["é.bin"])])
        table = [
            # label, folder name, files, arguments, expected output
            ("sfv", "release", {"Beyoncé-Album.sfv": listing}, [],
             b"verify " + u8("Beyoncé-Album.sfv") + b"\n.sfv passed (3 files)\n"),
            ("sfv-only", "release", {"Beyoncé-Album.sfv": listing}, ["--sfv"],
             b"verify " + u8("Beyoncé-Album.sfv") + b"\n.sfv passed (3 files)\n"),
            ("srr", "release", {"Sigur Rós-日本.srr": stored}, ["--srr"],
             b"verify " + u8("Sigur Rós-日本.srr") + b"\n.srr passed (1 file)\n"),
            ("both", "release", {"Beyoncé-Album.sfv": listing, "Sigur Rós-日本.srr": stored}, [],
             b"verify " + u8("Beyoncé-Album.sfv") + b"\n.sfv passed (3 files)\n\nverify "
             + u8("Sigur Rós-日本.srr") + b"\n.srr passed (1 file)\n"),
            # The folder's own name decides between two candidates.
            ("folder-name", "Beyoncé-Album-2020",
             {"extra.sfv": listing, "00-beyoncé-album-2020.sfv": listing}, [],
             b"verify " + u8("00-beyoncé-album-2020.sfv") + b"\n.sfv passed (3 files)\n"),
        ]
        for label, folder_name, files, args, out in table:
            with self.subTest(label):
                folder = self.fresh(label) / folder_name
                folder.mkdir()
                self.release(folder)
                for name, data in files.items():
                    (folder / name).write_bytes(data)
                err = (b"tarvok: warning: found multiple files with a .sfv extension; using best guess.\n"
                       if label == "folder-name" else b"")
                self.assertRun(self.tarvok(*args, cwd=folder), out=out, err=err)


class SfvNames(UnicodeCase):
    def test_file_argument_and_entries(self):
        self.release(self.dir)
        entries = [(name, CONTENTS[name]) for name in NAMES] + [(NOT_UTF8, b"bytes\n")]
        self.write("日本.sfv", sfv(entries))
        out = b"verify " + u8("日本.sfv") + b"\n"
        for name in NAMES:
            out += line(b"==", name, crc_column(crc32(CONTENTS[name])))
        if WINDOWS:
            out += line(b"--", b" " * 11 + NOT_UTF8) + b".sfv failed (1 missing; 3 passed out of 4 checked)\n"
            status = 1
        else:
            out += line(b"==", NOT_UTF8, crc_column(crc32(b"bytes\n"))) + b".sfv passed (4 files)\n"
            status = 0
        self.assertRun(self.tarvok("-vv", "日本.sfv"), out=out, status=status)

    def test_missing_non_ascii_arguments_are_named_as_given(self):
        for name in ("日本-none.sfv", "\U0001D11E.srr"):
            with self.subTest(name):
                self.assertRun(self.tarvok(name), err=NOT_FOUND_TEXT % u8(name), status=1)


class SrrNames(UnicodeCase):
    def srr(self, name="日本.srr"):
        blocks = [w.srr_header("tarvok tests")]
        blocks += [w.stored(n, CONTENTS[n]) for n in NAMES] + [w.stored(NOT_UTF8, b"bytes\n")]
        self.write(name, w.srr(blocks))

    def test_check_and_extract(self):
        self.srr()
        os.mkdir(self.dir / "日本")
        # An old copy, to be rewritten.
        self.write("é.bin", b"old")
        out = b"verify " + u8("日本.srr") + b"\n" + line(b"~~", "é.bin")
        for name in NAMES[1:]:
            out += line(b"++", name)
        err = b""
        if WINDOWS:
            # Not even tried as another name: refused before any call.
            out += line(b"--", NOT_UTF8) + b".srr failed (1 missing; 3 passed out of 4 checked)\n"
            err = b"tarvok: error: '" + NOT_UTF8 + b"' was not written: its name is not UTF-8.\n"
        else:
            out += line(b"++", NOT_UTF8) + b".srr passed (4 files)\n"
        self.assertRun(self.tarvok("-v", "-x", "日本.srr"), out=out, err=err, status=1 if WINDOWS else 0)

        # The names on disk are the stored UTF-8 names, nothing else.
        listed = sorted(os.fsencode(n) for n in os.listdir(self.dir))
        expected = [u8(n) for n in ("é.bin", "日本", "日本.srr", "\U0001D11E-clef.nfo")]
        if not WINDOWS:
            expected.append(NOT_UTF8)
        self.assertEqual(listed, sorted(expected))
        self.assertEqual(os.listdir(self.dir / "日本"), ["ファイル.r00"])
        for name in NAMES:
            self.assertEqual((self.dir / name).read_bytes(), CONTENTS[name])

        # Written once, they pass.
        out = b"verify " + u8("日本.srr") + b"\n"
        for name in NAMES:
            out += line(b"==", name)
        if WINDOWS:
            out += line(b"--", NOT_UTF8) + b".srr failed (1 missing; 3 passed out of 4 checked)\n"
        else:
            out += line(b"==", NOT_UTF8) + b".srr passed (4 files)\n"
        self.assertRun(self.tarvok("-v", "日本.srr"), out=out, status=1 if WINDOWS else 0)


def _program_copy(folder, name):
    """A copy of the program under name (".exe" added on Windows) in folder."""
    copy = folder / (name + (".exe" if WINDOWS else ""))
    shutil.copy2(harness.PROGRAM, copy)
    return copy


def _invoked_as(program):
    """The name a program started by its absolute path sees for itself: that
    path, or under wine its Windows spelling (drive Z: is the root)."""
    text = str(program)
    return "Z:" + text.replace("/", "\\") if WINDOWS else text


def _argv(program, args):
    return ([harness.EMULATOR] if harness.EMULATOR else []) + [str(program)] + list(args)


class InvokedName(CliCase):
    def test_non_ascii_program_path_in_usage_and_try_lines(self):
        if harness.EMULATOR and _invoked_as(harness.PROGRAM) != self.invoked:
            self.skipTest("the emulator names programs in another way: %r" % self.invoked)
        copy = _program_copy(self.dir, "tärvök-日本")
        invoked = u8(_invoked_as(copy))

        run = subprocess.run(_argv(copy, ["--no-such"]), cwd=self.dir, capture_output=True,
                             stdin=subprocess.DEVNULL, timeout=120)
        self.assertRun(harness.Run(run.stdout, run.stderr, run.returncode),
                       err=b"tarvok: fatal: no-such is not a valid option (found in: '--no-such')\n"
                           b"Try '" + invoked + b" --help' for more information.\n", status=1)

        run = subprocess.run(_argv(copy, ["--help"]), cwd=self.dir, capture_output=True,
                             stdin=subprocess.DEVNULL, timeout=120)
        self.assertEqual((run.returncode, run.stderr), (0, b""))
        self.assertTrue(run.stdout.startswith(b"usage: " + invoked + b" [options...] [FILE]...\n"),
                        run.stdout[:200])


def _on_terminal(args, cwd, timeout=60):
    """Runs the program with all three standard streams on a new terminal of
    200 columns; returns the text the terminal received (without carriage
    returns and escape sequences) and the exit status."""
    master, slave = os.openpty()
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 50, 200, 0, 0))
    argv, executable = harness._command(args)
    child = subprocess.Popen(argv, executable=executable, cwd=str(cwd), stdin=slave, stdout=slave,
                             stderr=slave, start_new_session=True)
    os.close(slave)
    received = b""
    deadline = time.monotonic() + timeout
    try:
        while time.monotonic() < deadline:
            ready, _, _ = select.select([master], [], [], 1.0)
            if not ready:
                if child.poll() is not None:
                    break
                continue
            try:
                piece = os.read(master, 65536)
            except OSError as e:  # the terminal is gone once the program has ended
                if e.errno != errno.EIO:
                    raise
                break
            if not piece:
                break
            received += piece
        status = child.wait(timeout=max(1.0, deadline - time.monotonic()))
    finally:
        if child.poll() is None:
            child.kill()
            child.wait()
        os.close(master)
    # wine draws its console on the terminal: a blank at the end of a write
    # comes as a cursor move to the right.
    received = re.sub(rb"\x1b\[(\d*)C", lambda m: b" " * int(m.group(1) or b"1"), received)
    received = re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]|\x1b\][^\x07]*\x07|\r", b"", received)
    return received, status


class Terminal(UnicodeCase):
    def test_names_show_as_their_characters(self):
        self.release(self.dir)
        self.write("日本.sfv", sfv([("é.bin", CONTENTS["é.bin"]), (NOT_UTF8, b"bytes\n")]))
        received, status = _on_terminal(["-v", "日本.sfv"], self.dir)
        # A byte that spells no character is shown as its value, on a terminal
        # and on a Windows console alike.
        shown = b"caf\\xe9.bin"
        summary = (b".sfv failed (1 missing; 1 passed out of 2 checked)\n" if WINDOWS
                   else b".sfv passed (2 files)\n")
        self.assertEqual((received, status),
                         (b"verify " + u8("日本.sfv") + b"\n" + line(b"==", "é.bin")
                          + line(b"--" if WINDOWS else b"==", shown) + summary, 1 if WINDOWS else 0))

        received, status = _on_terminal(["日本-none.sfv"], self.dir)
        self.assertEqual((received, status), (NOT_FOUND_TEXT % u8("日本-none.sfv"), 1))
