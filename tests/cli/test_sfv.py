"""End-to-end tests of the .sfv check: line grammar, per-file lines, summaries, unreadable files."""

import os
import unittest

from harness import (CliCase, crc32, crc_column, data_with_crc, require_fifos, sfv,
                     unprivileged_user)

CONTENT = b"file contents\n"
CRC = b"%08x" % crc32(CONTENT)
GOOD = b"good.bin %08x\n" % crc32(b"good")
INDENT = b" " * 11


def unparseable(line_number):
    return b" xx : {.sfv line #%d couldn't be parsed as expected}\n" % line_number


class GrammarTest(CliCase):
    """Each line is followed by a known good entry, so every outcome has a summary."""

    TABLE = [
        # (label, line, kind, name): kind is ignored, unparseable, ok or missing
        ("comment", b"; f.bin " + CRC, "ignored", None),
        ("comment-tight", b";f.bin " + CRC, "ignored", None),
        ("empty", b"", "ignored", None),
        ("nine-bytes", b"a 1234567", "ignored", None),
        ("blanks-only", b" " * 12 + b"\t", "ignored", None),
        ("first-byte-then-blanks", b"x" + b" " * 12, "ignored", None),
        ("ten-bytes", b"a " + CRC, "ok", b"a"),
        ("semicolon-after-blank", b" ;f " + CRC, "ok", b" ;f"),
        ("uppercase", b"f.bin " + CRC.upper(), "ok", b"f.bin"),
        ("tab", b"f.bin\t" + CRC, "ok", b"f.bin"),
        ("trailing-white-space", b"f.bin " + CRC + b" \t\x0b\x0c ", "ok", b"f.bin"),
        ("white-space-before-blank", b"f.bin \t  " + CRC, "ok", b"f.bin"),
        ("inner-blanks", b"my file.bin " + CRC, "ok", b"my file.bin"),
        ("leading-blanks-exist", b"  lead.bin " + CRC, "ok", b"  lead.bin"),
        ("leading-blanks-missing", b"  lead.bin " + CRC, "missing", b"  lead.bin"),
        ("defec7-missing", b"gone.bin 00defec7", "missing", b"gone.bin"),
        ("short-crc", b"ab 1234567", "unparseable", None),
        ("no-blank", b"f.bin:" + CRC, "unparseable", None),
        ("nine-digits", b"f.bin " + CRC + b"0", "unparseable", None),
        ("seven-digits", b"f.bin " + CRC[:7], "unparseable", None),
        ("hex-prefix", b"f.bin 0x" + CRC[:6], "unparseable", None),
        ("sign", b"f.bin +" + CRC[:7], "unparseable", None),
        ("non-hex", b"f.bin " + CRC[:7] + b"g", "unparseable", None),
        ("text-after-crc", b"f.bin " + CRC + b" extra", "unparseable", None),
        ("empty-name", b"  " + CRC, "unparseable", None),
        ("two-bytes-then-blanks", b"xy" + b" " * 12, "unparseable", None),
    ]

    def test_line_grammar(self):
        for label, line, kind, name in self.TABLE:
            with self.subTest(label=label, line=line):
                folder = self.fresh(label)
                (folder / "good.bin").write_bytes(b"good")
                (folder / "lead.bin").write_bytes(CONTENT)
                if kind == "ok":
                    (folder / os.fsdecode(name)).write_bytes(CONTENT)
                (folder / "x.sfv").write_bytes(line + b"\n" + GOOD)
                expected = {
                    "ignored": (b" == : good.bin\n.sfv passed (1 file)\n", 0),
                    "ok": (b" == : " + (name or b"") + b"\n == : good.bin\n"
                           b".sfv passed (2 files)\n", 0),
                    "missing": (b" -- : " + (name or b"") + b"\n == : good.bin\n"
                                b".sfv failed (1 missing; 1 passed out of 2 checked)\n", 1),
                    "unparseable": (unparseable(1) + b" == : good.bin\n.sfv failed (1 passed "
                                    b"out of 1 checked; also found 1 unparseable line)\n", 1),
                }[kind]
                self.assertRun(self.tarvok("-v", "x.sfv", cwd=folder),
                               out=b"verify x.sfv\n" + expected[0], status=expected[1])

    def test_crc_00defec7_is_an_ordinary_entry(self):
        self.write("f.bin", data_with_crc(0x00DEFEC7, b"sample"))
        self.write("x.sfv", b"f.bin 00defec7\r\nf.bin 00DEFEC7\r\n")
        self.assertRun(self.tarvok("-vv", "x.sfv"),
                       out=b"verify x.sfv\n == : {00defec7} f.bin\n == : {00defec7} f.bin\n"
                           b".sfv passed (2 files)\n")

    def test_line_numbers_count_every_line_end_form(self):
        data = (b"; header\r\n"          # 1
                b"\r"                    # 2: a lone CR ends an empty line
                b"bad line one\n"        # 3
                b"\n"                    # 4
                + GOOD[:-1] + b"\r\r\n"  # 5, then 6: the CR LF after a CR ends an empty line
                b"bad line two\r\n"      # 7
                b"\n\r"                  # 8 and 9: LF then a lone CR
                b"short\r"               # 10
                b"bad line three")       # 11, without a line end
        self.write("good.bin", b"good")
        self.write("x.sfv", data)
        self.assertRun(self.tarvok("-v", "x.sfv"),
                       out=b"verify x.sfv\n" + unparseable(3) + b" == : good.bin\n"
                           + unparseable(7) + unparseable(11)
                           + b".sfv failed (1 passed out of 1 checked; also found 3 unparseable lines)\n",
                       status=3)


class ReportTest(CliCase):
    def setUp(self):
        super().setUp()
        # Disk CRCs of 1, 2, 3 and 4 significant bytes, and of no bytes.
        self.crcs = {"tiny.bin": 0x42, "small.bin": 0xABCD, "three.bin": 0x00ABCDEF,
                     "big.bin": 0xDEADBEEF}
        for name, value in self.crcs.items():
            self.write(name, data_with_crc(value, name.encode()))
        self.write("empty.bin", b"")
        self.write("bad.bin", b"bad")
        os.mkdir(self.dir / "folder")
        entries = [(name, value) for name, value in self.crcs.items()]
        entries += [("empty.bin", 0), ("bad.bin", 0x11111111), ("gone.bin", 0x22222222),
                    ("folder", 0x33333333)]
        self.write("x.sfv", sfv(entries, comment=False) + b"bad line here\r\n")

    SUMMARY = b".sfv failed (1 mismatch; 2 missing; 5 passed out of 8 checked; also found 1 unparseable line)\n"

    def test_verbose_lines(self):
        lines = b"".join(b" == : " + name.encode() + b"\n" for name in self.crcs)
        lines += b" == : empty.bin\n != : bad.bin\n -- : gone.bin\n -- : folder\n" + unparseable(9)
        self.assertRun(self.tarvok("-v", "x.sfv"), out=b"verify x.sfv\n" + lines + self.SUMMARY,
                       status=4)

    def test_more_verbose_lines_carry_the_disk_crc(self):
        lines = (b" == : {42} tiny.bin\n"
                 b" == : {abcd} small.bin\n"
                 b" == : {00abcdef} three.bin\n"
                 b" == : {deadbeef} big.bin\n"
                 b" == : {00} empty.bin\n"
                 b" != : " + crc_column(crc32(b"bad")) + b"bad.bin\n"
                 b" -- : " + INDENT + b"gone.bin\n"
                 b" -- : " + INDENT + b"folder\n" + unparseable(9))
        for verbose in ("-vv", "-vvv", "-v -v"):
            with self.subTest(verbose=verbose):
                self.assertRun(self.tarvok(*verbose.split(), "x.sfv"),
                               out=b"verify x.sfv\n" + lines + self.SUMMARY, status=4)

    def test_default_and_quiet_levels(self):
        for options, out in (([], b"verify x.sfv\n" + self.SUMMARY), (["-q"], b""),
                             (["-qqq"], b"")):
            with self.subTest(options=options):
                self.assertRun(self.tarvok(*options, "x.sfv"), out=out, status=4)


class SummaryTest(CliCase):
    TABLE = [
        # (passing, mismatching, missing, unparseable), summary
        ((1, 0, 0, 0), b".sfv passed (1 file)"),
        ((2, 0, 0, 0), b".sfv passed (2 files)"),
        ((0, 1, 0, 0), b".sfv failed (1 mismatch; 0 passed out of 1 checked)"),
        ((1, 2, 0, 0), b".sfv failed (2 mismatches; 1 passed out of 3 checked)"),
        ((1, 0, 1, 0), b".sfv failed (1 missing; 1 passed out of 2 checked)"),
        ((0, 0, 2, 0), b".sfv failed (2 missing; 0 passed out of 2 checked)"),
        ((1, 0, 0, 1), b".sfv failed (1 passed out of 1 checked; also found 1 unparseable line)"),
        ((3, 0, 0, 2), b".sfv failed (3 passed out of 3 checked; also found 2 unparseable lines)"),
        ((0, 1, 0, 3), b".sfv failed (1 mismatch; 0 passed out of 1 checked; also found 3 unparseable lines)"),
        ((5, 2, 1, 1), b".sfv failed (2 mismatches; 1 missing; 5 passed out of 8 checked; "
                       b"also found 1 unparseable line)"),
    ]

    def test_summary_forms(self):
        for (good, bad, gone, junk), summary in self.TABLE:
            with self.subTest(summary=summary):
                folder = self.fresh("%d-%d-%d-%d" % (good, bad, gone, junk))
                entries = []
                for i in range(good):
                    (folder / ("ok%d" % i)).write_bytes(b"ok%d" % i)
                    entries.append(("ok%d" % i, b"ok%d" % i))
                for i in range(bad):
                    (folder / ("bad%d" % i)).write_bytes(b"bad")
                    entries.append(("bad%d" % i, b"not bad"))
                entries += [("gone%d" % i, 0) for i in range(gone)]
                data = sfv(entries) + b"this line is junk\r\n" * junk
                (folder / "x.sfv").write_bytes(data)
                self.assertRun(self.tarvok("x.sfv", cwd=folder),
                               out=b"verify x.sfv\n" + summary + b"\n", status=bad + gone + junk)

    def test_a_name_listed_twice_counts_twice(self):
        self.write("a.bin", b"alpha")
        self.write("x.sfv", sfv([("a.bin", b"alpha"), ("a.bin", b"alpha"), ("a.bin", 0)]))
        self.assertRun(self.tarvok("-v", "x.sfv"),
                       out=b"verify x.sfv\n == : a.bin\n == : a.bin\n != : a.bin\n"
                           b".sfv failed (1 mismatch; 2 passed out of 3 checked)\n",
                       status=1)

    def test_a_name_with_a_nul_byte_names_no_file(self):
        # Looked up as written, not as the part before the NUL (a.bin, intact).
        self.write("a.bin", b"alpha")
        self.write("x.sfv", b"a.bin\0tail %08x\r\n" % crc32(b"alpha"))
        self.assertRun(self.tarvok("-v", "x.sfv"),
                       out=b"verify x.sfv\n -- : a.bin\0tail\n.sfv failed (1 missing; 0 passed out of 1 checked)\n",
                       status=1)


class UnreadableEntryTest(CliCase):
    """A listed name that cannot be read is a mismatch with an error, never a hang."""

    def make_unreadable(self, kind):
        self.user = None
        if kind == "fifo":
            require_fifos()
            os.mkfifo(self.dir / "locked")
        else:
            self.user = unprivileged_user()
            self.write("locked", b"")
            os.chmod(self.dir / "locked", 0)

    ERROR = b"tarvok: error: could not read from 'locked'\n"

    def check(self, kind):
        self.make_unreadable(kind)
        self.write("a.bin", b"alpha")
        # 00000000 is the CRC-32 of no bytes: an unreadable file must not pass as empty.
        self.write("x.sfv", sfv([("locked", 0), ("a.bin", b"alpha")]))
        self.write("twice.sfv", sfv([("locked", 0), ("locked", 0x12345678)]))
        table = [
            ([], b"verify x.sfv\n.sfv failed (1 mismatch; 1 passed out of 2 checked)\n", self.ERROR),
            (["-v"], b"verify x.sfv\n != : locked\n == : a.bin\n"
                     b".sfv failed (1 mismatch; 1 passed out of 2 checked)\n", self.ERROR),
            (["-vv"], b"verify x.sfv\n != : {00} locked\n == : " + crc_column(crc32(b"alpha"))
                      + b"a.bin\n.sfv failed (1 mismatch; 1 passed out of 2 checked)\n", self.ERROR),
            (["-qq"], b"", self.ERROR),
            (["-qqq"], b"", b""),
        ]
        for options, out, err in table:
            with self.subTest(kind=kind, options=options):
                run = self.tarvok(*options, "x.sfv", timeout=15, user=self.user)
                self.assertRun(run, out=out, err=err, status=1)
        with self.subTest(kind=kind, listed="twice"):
            self.assertRun(self.tarvok("-v", "twice.sfv", timeout=15, user=self.user),
                           out=b"verify twice.sfv\n != : locked\n != : locked\n"
                               b".sfv failed (2 mismatches; 0 passed out of 2 checked)\n",
                           err=self.ERROR, status=2)

    def test_fifo(self):
        self.check("fifo")

    def test_file_without_read_permission(self):
        self.check("no-permission")


if __name__ == "__main__":
    unittest.main()
