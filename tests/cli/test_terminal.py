"""End-to-end tests of what a terminal is given: names with C1 controls, ESC,
bidirectional controls and bytes that are no UTF-8 are shown as \\xNN of their
bytes on standard output and on standard error, printable UTF-8 as itself; a
pipe gets every byte as it is."""

import fcntl
import os
import re
import resource
import signal
import struct
import subprocess
import termios
import time
import tty

import harness
import srr_writer as w
from harness import CliCase, WINDOWS, as_bytes, crc32, crc_column

# Each name as a pipe gets it and as a terminal shows it.
# U+009B is CSI: "2J" clears the screen, "1A" moves the cursor up a line.
CSI = (b"csi\xc2\x9b2J\xc2\x9b1A.bin", b"csi\\xc2\\x9b2J\\xc2\\x9b1A.bin")
# U+009D ... U+009C is OSC ... ST: sets the window title.
OSC = (b"osc\xc2\x9d0;forged-title\xc2\x9c.bin", b"osc\\xc2\\x9d0;forged-title\\xc2\\x9c.bin")
# The first and last C1 controls; U+00A0 after them is the first character kept.
EDGES = (b"edge\xc2\x80\xc2\x9f\xc2\xa0.bin", b"edge\\xc2\\x80\\xc2\\x9f\xc2\xa0.bin")
# A raw 9B is no UTF-8; a terminal that takes 8-bit controls reads CSI.
RAW = (b"raw\x9b2K\x9b1A.bin", b"raw\\x9b2K\\x9b1A.bin")
# 7-bit ESC: a title, and the line erased.
ESC = (b"esc\x1b]0;title\x07\x1b[2K.bin", b"esc\\x1b]0;title\\x07\\x1b[2K.bin")
# Printable characters of two, three and four bytes show as themselves; wine's
# console draws a character outside the BMP as one replacement character per
# UTF-16 half.
KEPT = ("caf\u00e9-\u65e5\u672c-\U0001F600.bin".encode(),
        ("caf\u00e9-\u65e5\u672c-" + ("\ufffd\ufffd" if WINDOWS else "\U0001F600") + ".bin").encode())

# U+202E, RIGHT-TO-LEFT OVERRIDE: shown as it is, this name reads "bidiexe.nfo".
OVERRIDE = (b"bidi\xe2\x80\xaeofn.exe", b"bidi\\xe2\\x80\\xaeofn.exe")
# The other bidirectional controls: ALM, LRM, RLM, LRE, PDF, LRI and PDI.
REORDERING = (b"alm\xd8\x9c-lrm\xe2\x80\x8e-rlm\xe2\x80\x8f-lre\xe2\x80\xaa-pdf\xe2\x80\xac"
              b"-lri\xe2\x81\xa6-pdi\xe2\x81\xa9.bin",
              b"alm\\xd8\\x9c-lrm\\xe2\\x80\\x8e-rlm\\xe2\\x80\\x8f-lre\\xe2\\x80\\xaa-pdf\\xe2\\x80\\xac"
              b"-lri\\xe2\\x81\\xa6-pdi\\xe2\\x81\\xa9.bin")

# Everything that may reach a terminal: printable UTF-8 and line feeds, and
# no bidirectional control.
CONTROL = re.compile(rb"[\x00-\x09\x0b-\x1f\x7f\x9b\x9d]|\xc2[\x80-\x9f]|\xd8\x9c"
                     rb"|\xe2\x80[\x8e\x8f\xaa-\xae]|\xe2\x81[\xa6-\xa9]")


def nothing(_side):
    return b""


def error(template, name):
    return b"tarvok: error: " + as_bytes(template) % name + b"\n"


def _wine_drawing_removed(received):
    """What wine's console left on the terminal without its own cursor and
    title sequences and its carriage returns."""
    received = re.sub(rb"\x1b\[(\d*)C", lambda m: b" " * int(m.group(1) or b"1"), received)
    return re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]|\x1b\][^\x07]*\x07|\r", b"", received)


class TerminalCase(CliCase):
    def on_terminal(self, args, preexec=None):
        """Runs the program on pseudo-terminals. On Linux standard output and
        standard error each get one of their own, raw so that nothing is added
        to line ends. Under wine a pseudo-terminal is drawn on as one console
        for every stream: out holds all the text, err is empty."""
        count = 1 if WINDOWS else 2
        pairs = [os.openpty() for _ in range(count)]
        for _, slave in pairs:
            tty.setraw(slave)
            fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 50, 200, 0, 0))
        slaves = [slave for _, slave in pairs]
        masters = [master for master, _ in pairs]
        argv, executable = harness._command(args)
        try:
            process = subprocess.Popen(argv, executable=executable, cwd=str(self.dir),
                                       stdin=slaves[0] if WINDOWS else subprocess.DEVNULL,
                                       stdout=slaves[0], stderr=slaves[-1], preexec_fn=preexec,
                                       start_new_session=True)
            for slave in slaves:
                os.close(slave)
            try:
                received = harness.read_terminals(masters, process, time.monotonic() + 60)
            except TimeoutError:
                self.fail("tarvok %r did not end within 60 seconds" % (args,))
            status = process.wait(timeout=60)
        finally:
            for master in masters:
                os.close(master)
        if WINDOWS:
            return harness.Run(_wine_drawing_removed(received[0]), b"", status)
        return harness.Run(received[0], received[1], status)

    def shows(self, args, out=nothing, err=nothing, status=0, preexec=None):
        """On terminals: out(1) and err(1) exactly, and nothing but printable
        UTF-8 and line feeds; to pipes: out(0) and err(0), every byte as given.
        Under wine a case writes to one of the two only: both reach one console."""
        probe = self.on_terminal(["--help", "--debug=1"])
        if b"stdout is a terminal;" not in probe.out:
            self.skipTest("the program does not see a pseudo-terminal as a terminal here")
        shown = self.on_terminal(args, preexec=preexec)
        for label, text in (("stdout", shown.out), ("stderr", shown.err)):
            found = CONTROL.search(text)
            self.assertIsNone(found, "a control byte reached the terminal on %s: %r" % (label, text))
            try:
                text.decode("utf-8")
            except UnicodeDecodeError:
                self.fail("a byte that is no UTF-8 reached the terminal on %s: %r" % (label, text))
        if WINDOWS:
            self.assertRun(shown, out=out(1) + err(1), status=status)
        else:
            self.assertRun(shown, out=out(1), err=err(1), status=status)
        self.assertRun(self.tarvok(*args, preexec=preexec), out=out(0), err=err(0), status=status)


class ReportLines(TerminalCase):
    """The per-file lines on standard output."""

    def test_sfv_lines(self):
        present = [CSI, OSC, EDGES, KEPT]
        missing = [RAW, ESC]  # no file: a Windows name holds neither
        for name, _ in present:
            self.write(name, name)
        listing = b"".join(b"%s %08x\r\n" % (name, crc32(name)) for name, _ in present)
        listing += b"".join(b"%s 00000000\r\n" % name for name, _ in missing)
        sfv_name = (b"list\xc2\x9b8m.sfv", b"list\\xc2\\x9b8m.sfv")
        self.write(sfv_name[0], listing)

        def report(side):
            lines = [b"verify " + sfv_name[side] + b"\n"]
            lines += [b" == : " + crc_column(crc32(name[0])) + name[side] + b"\n" for name in present]
            lines += [b" -- : " + b" " * 11 + name[side] + b"\n" for name in missing]
            lines.append(b".sfv failed (2 missing; 4 passed out of 6 checked)\n")
            return b"".join(lines)

        self.shows(["-vv", sfv_name[0]], report, status=2)

    def test_bidirectional_controls(self):
        names = [OVERRIDE, REORDERING]
        for name, _ in names:
            self.write(name, name)
        sfv_name = (b"x\xe2\x80\xaevfs.sfv", b"x\\xe2\\x80\\xaevfs.sfv")
        self.write(sfv_name[0], b"".join(b"%s %08x\r\n" % (name, crc32(name)) for name, _ in names))

        def report(side):
            lines = [b"verify " + sfv_name[side] + b"\n"]
            lines += [b" == : " + crc_column(crc32(name[0])) + name[side] + b"\n" for name in names]
            return b"".join(lines) + b".sfv passed (2 files)\n"

        self.shows(["-vv", sfv_name[0]], report)

    def test_srr_lines_and_debug_dump(self):
        app = (b"app\xc2\x9d0;title\xc2\x9c\x9b", b"app\\xc2\\x9d0;title\\xc2\\x9c\\x9b")
        self.write(CSI[0], b"stored")
        blocks = [w.srr_header(app=app[0]), w.stored(CSI[0], b"stored"), w.stored(RAW[0], b"lost"),
                  w.stored(ESC[0], b"lost")]
        self.write("x.srr", w.srr(blocks))

        def report(side):
            text = b"verify x.srr\n  >> blocktype: 69\n   > app name: " + app[side] + b"\n"
            for name, size, marker in ((CSI, b"06", b"=="), (RAW, b"04", b"--"), (ESC, b"04", b"--")):
                text += (b"  >> blocktype: 6a\n   > payload size: " + size + b"\n   > file name: "
                         + name[side] + b"\n " + marker + b" : " + name[side] + b"\n")
            return text + b".srr failed (2 missing; 1 passed out of 3 checked)\n"

        self.shows(["-v", "--debug=1", "x.srr"], report, status=2)


class MessageLines(TerminalCase):
    """Messages naming a file on standard error."""

    def test_a_missing_argument(self):
        name = (b"no\xc2\x9bsuch\xc2\x9d0;t\xc2\x9c.sfv", b"no\\xc2\\x9bsuch\\xc2\\x9d0;t\\xc2\\x9c.sfv")
        self.shows([name[0]], err=lambda side: error(b"could not find '%s' - does it exist ?", name[side]),
                   status=1)

    def test_a_missing_argument_with_an_override(self):
        name = (b"bidi\xe2\x80\xaevfs.sfv", b"bidi\\xe2\\x80\\xaevfs.sfv")
        self.shows([name[0]], err=lambda side: error(b"could not find '%s' - does it exist ?", name[side]),
                   status=1)

    def test_refusals_of_extraction(self):
        hidden = (b".hid\xc2\x9b2J", b".hid\\xc2\\x9b2J")
        outside = (b"../up\xc2\x9d0;t\xc2\x9c", b"../up\\xc2\\x9d0;t\\xc2\\x9c")
        self.write("x.srr", w.srr([w.srr_header(), w.stored(hidden[0], b"one"),
                                   w.stored(outside[0], b"two")]))

        def err(side):
            return (error(b"'%s' was not written: a part of its name begins with '.' "
                          b"(a hidden file or folder).", hidden[side])
                    + error(b"'%s' was not written: its name leads outside the current directory.",
                            outside[side]))

        # Quiet: nothing on standard output, so that under wine the one console
        # gets the messages alone.
        self.shows(["-q", "-x", "x.srr"], err=err, status=2)

    def test_an_unreadable_checksum_file(self):
        harness.require_fifos()
        name = (b"fifo\x9b2J\x1b[1A.sfv", b"fifo\\x9b2J\\x1b[1A.sfv")
        os.mkfifo(self.dir / os.fsdecode(name[0]))
        self.shows([name[0]], err=lambda side: error(b"could not read from '%s'", name[side]), status=1)

    def test_a_failed_rewrite_on_its_plain_line(self):
        if WINDOWS:
            self.skipTest("no file-size limit to make a write fail under wine")
        self.write(OSC[0], b"old")
        self.write("x.srr", w.srr([w.srr_header(), w.stored(OSC[0], bytes(4096))]))

        def limit():
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (1000, 1000))

        self.shows(["-x", "x.srr"],
                   out=lambda side: b"verify x.srr\n.srr failed (1 mismatch; 0 passed out of 1 checked)\n",
                   err=lambda side: b'error: failure while trying to write to "%s"\n' % OSC[side], status=1,
                   preexec=limit)
        self.assertEqual((self.dir / os.fsdecode(OSC[0])).read_bytes(), b"old")
