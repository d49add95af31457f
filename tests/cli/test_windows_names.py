"""End-to-end tests of how the Windows deliverable hands names to the system: a name
from a list is one local file, exactly as spelt. Nothing reaches another machine or
the device namespace, device stems and trailing dots are plain names, aliases are one
file, long paths work, and an interrupted write leaves no temporary."""

import os
import re
import signal
import subprocess
import time
import unittest

import harness
import srr_writer as w
from harness import CliCase, as_bytes, sfv
from test_srr import error, failed, line, outside, passed

windows_only = unittest.skipUnless(harness.WINDOWS, "Windows names")

PAYLOAD = b"stored contents\n"
OTHER = b"other bytes\n"
# One host name in every spelling, so that a trace shows any call that names it.
HOST = b"attackerhost"
REMOTE = [r"\\attackerhost\share\x.rar", "//attackerhost/share/y.rar", r"\/attackerhost/share/z.rar",
          r"/\attackerhost\share\w.rar", r"\\?\UNC\attackerhost\s\z", r"\\.\pipe\attackerhost",
          r"\\?\GLOBALROOT\Device\attackerhost"]
# A line of wine's own trace on standard error ("0024:trace:file:CreateFileW ...").
TRACE = re.compile(rb"^[0-9a-f]{4,}:(?:trace|warn|err|fixme):")


def sfv_failed(ok, checked, missing):
    return b".sfv failed (%d missing; %d passed out of %d checked)\n" % (missing, ok, checked)


def refused(name, reason):
    return error(b"'" + as_bytes(name) + b"' was not written: " + as_bytes(reason))


DEVICE = "a part of its name is a Windows device name."
DOT_OR_SPACE = "a part of its name ends in '.' or ' ', which Windows cannot open."

class WindowsCase(CliCase):
    def srr(self, names, name="release.srr", payload=PAYLOAD):
        """An .srr that stores names, each with payload (or a (name, bytes) pair)."""
        blocks = [w.srr_header()]
        for entry in names:
            stored, data = entry if isinstance(entry, tuple) else (entry, payload)
            blocks.append(w.stored(stored, data))
        self.write(name, w.srr(blocks))

    def listing(self, folder=None):
        return sorted(os.listdir(self.dir if folder is None else folder))


@windows_only
class RemoteNames(WindowsCase):
    """Names of other machines and of the device namespace, from a list."""

    def assertNeverAsked(self, args, local):
        """Runs args again with wine's file trace: no file call names the host, while
        calls on local show that the trace records them."""
        run = self.tarvok(*args, env=dict(os.environ, WINEDEBUG="+file"))
        trace = [entry for entry in run.err.splitlines() if TRACE.match(entry)]
        self.assertTrue(any(as_bytes(local) in entry for entry in trace), "no file call traced at all")
        self.assertEqual([entry for entry in trace if HOST in entry.lower()], [])

    def test_in_an_sfv(self):
        self.write("local.bin", PAYLOAD)
        self.write("remote.sfv", sfv([(n, PAYLOAD) for n in REMOTE] + [("local.bin", PAYLOAD)]))
        self.assertRun(self.tarvok("-v", "remote.sfv"),
                       out=b"verify remote.sfv\n" + b"".join(line("--", n) for n in REMOTE) + line("==", "local.bin")
                       + sfv_failed(1, len(REMOTE) + 1, len(REMOTE)), status=len(REMOTE))
        self.assertNeverAsked(["-v", "remote.sfv"], "local.bin")

    def test_as_stored_names_with_and_without_x(self):
        self.write("local.nfo", PAYLOAD)
        self.srr(REMOTE + ["local.nfo"])
        out = (b"verify release.srr\n" + b"".join(line("--", n) for n in REMOTE) + line("==", "local.nfo")
               + failed(1, len(REMOTE) + 1, missing=len(REMOTE)))
        self.assertRun(self.tarvok("-v", "release.srr"), out=out, status=len(REMOTE))
        self.assertRun(self.tarvok("-v", "-x", "release.srr"), out=out,
                       err=b"".join(outside(n) for n in REMOTE), status=len(REMOTE))
        self.assertEqual(self.listing(), ["local.nfo", "release.srr"])
        for args in (["-v", "release.srr"], ["-v", "-x", "release.srr"]):
            with self.subTest(args=args):
                self.assertNeverAsked(args, "local.nfo")


@windows_only
class DeviceStems(WindowsCase):
    def test_titles_that_begin_like_devices_are_files(self):
        self.write("Con.Air.1997.nfo", PAYLOAD)
        self.write("Prn.Release.r00", OTHER)
        # Found by discovery and read like any other list.
        self.write("Con.Air.1997.sfv", sfv([("Con.Air.1997.nfo", PAYLOAD), ("Prn.Release.r00", OTHER)]))
        self.assertRun(self.tarvok("-v"), out=b"verify Con.Air.1997.sfv\n" + line("==", "Con.Air.1997.nfo")
                       + line("==", "Prn.Release.r00") + b".sfv passed (2 files)\n")

    def test_device_names_are_never_written_and_titles_are(self):
        (self.dir / "sub").mkdir()
        self.srr(["Aux.Files.1999.nfo", "nul.txt", "NUL", "sub/con", "CONIN$"])
        self.assertRun(self.tarvok("-v", "-x", "release.srr"),
                       out=b"verify release.srr\n" + line("++", "Aux.Files.1999.nfo") + line("++", "nul.txt")
                       + line("--", "NUL") + line("--", "sub/con") + line("--", "CONIN$")
                       + failed(2, 5, missing=3),
                       err=refused("NUL", DEVICE) + refused("sub/con", DEVICE) + refused("CONIN$", DEVICE), status=3)
        self.assertEqual(self.listing(), ["Aux.Files.1999.nfo", "nul.txt", "release.srr", "sub"])
        self.assertEqual(self.listing(self.dir / "sub"), [])
        self.assertEqual((self.dir / "Aux.Files.1999.nfo").read_bytes(), PAYLOAD)
        self.assertEqual((self.dir / "nul.txt").read_bytes(), PAYLOAD)


@windows_only
class Aliases(WindowsCase):
    """Another spelling of a file this run reported on is that file."""

    def test_trailing_dots_and_blanks_are_part_of_the_name(self):
        self.write("a.nfo", PAYLOAD)
        aliases = ["a.nfo.", "a.nfo ", "a.nfo. ."]
        self.srr(["a.nfo"] + [(n, OTHER) for n in aliases])
        self.assertRun(self.tarvok("-v", "-x", "release.srr"),
                       out=b"verify release.srr\n" + line("==", "a.nfo") + b"".join(line("--", n) for n in aliases)
                       + failed(1, 4, missing=3),
                       err=b"".join(refused(n, DOT_OR_SPACE) for n in aliases), status=3)
        self.assertEqual(self.listing(), ["a.nfo", "release.srr"])
        self.assertEqual((self.dir / "a.nfo").read_bytes(), PAYLOAD)

    def test_the_srr_under_a_name_with_a_trailing_dot(self):
        self.srr([("x.srr.", OTHER)], name="x.srr")
        before = (self.dir / "x.srr").read_bytes()
        self.assertRun(self.tarvok("-v", "-x", "x.srr"),
                       out=b"verify x.srr\n" + line("--", "x.srr.") + failed(0, 1, missing=1),
                       err=refused("x.srr.", DOT_OR_SPACE), status=1)
        self.assertEqual((self.dir / "x.srr").read_bytes(), before)
        self.assertEqual(self.listing(), ["x.srr"])

    def test_a_case_alias(self):
        self.write("A.nfo", PAYLOAD)
        self.srr(["A.nfo", ("a.nfo", OTHER)])
        self.assertRun(self.tarvok("-v", "-x", "release.srr"),
                       out=b"verify release.srr\n" + line("==", "A.nfo") + line("!=", "a.nfo")
                       + failed(1, 2, mismatch=1),
                       err=refused("a.nfo", "it is the file checked as 'A.nfo'."), status=1)
        self.assertEqual(self.listing(), ["A.nfo", "release.srr"])
        self.assertEqual((self.dir / "A.nfo").read_bytes(), PAYLOAD)

    def test_the_srr_under_another_case(self):
        self.srr([("X.SRR", OTHER)], name="x.srr")
        before = (self.dir / "x.srr").read_bytes()
        self.assertRun(self.tarvok("-v", "-x", "x.srr"),
                       out=b"verify x.srr\n" + line("!=", "X.SRR") + failed(0, 1, mismatch=1),
                       err=refused("X.SRR", "it is the .srr being checked."), status=1)
        self.assertEqual((self.dir / "x.srr").read_bytes(), before)
        self.assertEqual(self.listing(), ["x.srr"])


@windows_only
class LongPaths(WindowsCase):
    def test_names_past_260_characters_are_checked_and_written(self):
        folder = "/".join("Some.Release.Folder.Name-%d" % i for i in range(12))
        (self.dir / folder).mkdir(parents=True)
        self.write(folder + "/Con.Air.1997.nfo", PAYLOAD)
        self.assertGreater(len(str(self.dir / folder / "Con.Air.1997.nfo")), 300)
        self.write("rel.sfv", sfv([(folder + "/Con.Air.1997.nfo", PAYLOAD)]))
        self.assertRun(self.tarvok("-v", "rel.sfv"),
                       out=b"verify rel.sfv\n" + line("==", folder + "/Con.Air.1997.nfo") + b".sfv passed (1 file)\n")
        self.srr([folder + "/Con.Air.1997.nfo", folder + "/new.nfo"])
        self.assertRun(self.tarvok("-v", "-x", "release.srr"),
                       out=b"verify release.srr\n" + line("==", folder + "/Con.Air.1997.nfo")
                       + line("++", folder + "/new.nfo") + passed(2))
        self.assertEqual((self.dir / folder / "new.nfo").read_bytes(), PAYLOAD)
        self.assertEqual(self.listing(self.dir / folder), ["Con.Air.1997.nfo", "new.nfo"])


@windows_only
class Interrupts(WindowsCase):
    # Large enough that the write lasts a good part of a second.
    SIZE = 256 << 20

    def test_an_interrupt_during_a_write_removes_the_temporary(self):
        # wine turns SIGINT into the console's Ctrl+C event, which the program
        # handles on another thread while the write goes on.
        self.write("big.bin", b"old bytes")
        payload = bytes(range(256)) * (self.SIZE // 256)
        self.srr([("big.bin", payload)])
        argv, executable = harness._command(["-x", "release.srr"])
        for _ in range(3):
            child = subprocess.Popen(argv, executable=executable, cwd=str(self.dir), stdin=subprocess.DEVNULL,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            deadline = time.monotonic() + 60
            while child.poll() is None and time.monotonic() < deadline:
                if any(n.startswith(".big.bin.") for n in os.listdir(self.dir)):
                    child.send_signal(signal.SIGINT)
                    break
                time.sleep(0.001)
            out, _ = child.communicate(timeout=60)
            # Whenever the interrupt came, it leaves no temporary and a whole
            # file, the old one or the new one.
            self.assertEqual(self.listing(), ["big.bin", "release.srr"])
            left = (self.dir / "big.bin").read_bytes()
            self.assertIn(left, (b"old bytes", payload))
            if b".srr " not in out and left == b"old bytes":  # interrupted in the middle of the write
                break
            (self.dir / "big.bin").write_bytes(b"old bytes")  # the write won the race: again
        else:
            self.fail("the write always ended before the interrupt")


if __name__ == "__main__":
    unittest.main()
