"""End-to-end tests of the .srr check: block walk, samples, outcomes, extraction and damaged files."""

import os
import resource
import signal
import unittest

import harness
import srr_writer as w
from harness import CliCase, as_bytes, crc32, crc_column, short_hex

LINUX = harness.DELIVERABLE != "windows"
linux_only = unittest.skipUnless(LINUX, "needs POSIX file types and limits")


def error(text):
    return b"tarvok: error: " + as_bytes(text) + b"\n"


def damaged(name, offset):
    return error(b"'%s' is damaged at offset %d; checking stopped there." % (as_bytes(name), offset))


def outside(name):
    return error(b"'" + as_bytes(name) + b"' was not written: its name leads outside the current directory.")


def line(marker, name, column=b""):
    return b" " + as_bytes(marker) + b" : " + column + as_bytes(name) + b"\n"


def stored_dump(name, size=None):
    """The debug lines of a stored-file block; an unsized one has no size line."""
    sized = b"" if size is None else b"   > payload size: " + short_hex(size) + b"\n"
    return b"  >> blocktype: 6a\n" + sized + b"   > file name: " + as_bytes(name) + b"\n"


def passed(count):
    return b".srr passed (%d file%s)\n" % (count, b"" if count == 1 else b"s")


def failed(ok, checked, mismatch=0, missing=0):
    parts = []
    if mismatch:
        parts.append(b"%d mismatch%s" % (mismatch, b"" if mismatch == 1 else b"es"))
    if missing:
        parts.append(b"%d missing" % missing)
    parts.append(b"%d passed out of %d checked" % (ok, checked))
    return b".srr failed (" + b"; ".join(parts) + b")\n"


INDENT = b" " * 11
NFO = b"Release notes\r\n\r\nSource: test fixtures\r\n"
PAYLOAD = b"stored contents\n"


class SrrCase(CliCase):
    """A case that writes its own .srr and runs the program on it."""

    def srr(self, blocks, name="release.srr", where=None):
        data = w.srr(blocks)
        if where is None:
            self.write(name, data)
        else:
            (where / name).write_bytes(data)
        return data

    def limited_run(self, *args, fsize):
        """A run under a file-size limit: writes past fsize bytes fail (EFBIG), no signal."""
        if harness.WINDOWS:
            self.skipTest("wine does not pass file-size limits on")

        def limit():
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (fsize, fsize))

        return self.tarvok(*args, preexec=limit)


def realistic(sample_data=b"sample video bytes"):
    """An .srr as a scene tool keeps it: header, stored .nfo and .sfv, a sample
    description, then the headers of one RAR volume without packed data."""
    sfv_data = harness.sfv([("release.rar", 0x1234ABCD)])
    sample = w.id3(6) + w.srsf("pyReScene 0.7", "Sample/release-sample.mkv", crc32(sample_data),
                               len(sample_data)) + b"track data"
    return [
        w.srr_header("pyReScene 0.7"),
        w.stored("release.nfo", NFO),
        w.stored("release.sfv", sfv_data),
        w.stored("Sample/release-sample.srs", sample),
        w.rar_file("release.rar"),
        w.rar_marker(),
        w.rar_archive(),
        w.rar_file_header("release.mkv", 15000000, 15000000, 0xDEADBEEF),
        w.rar_end(),
    ], {"release.nfo": NFO, "release.sfv": sfv_data, "Sample/release-sample.mkv": sample_data}


class RealisticLayout(SrrCase):
    def setUp(self):
        super().setUp()
        self.blocks, self.files = realistic()
        for name, data in self.files.items():
            self.write(name, data)
        self.srr(self.blocks)

    def test_passes_over_rar_blocks(self):
        self.assertRun(self.tarvok("-v", "release.srr"),
                       out=b"verify release.srr\n" + line("==", "release.nfo") + line("==", "release.sfv")
                       + line("==", "Sample/release-sample.mkv") + passed(3))

    def test_default_and_quiet_levels(self):
        self.assertRun(self.tarvok("release.srr"), out=b"verify release.srr\n" + passed(3))
        self.assertRun(self.tarvok("-q", "release.srr"))
        self.assertRun(self.tarvok("-q", "-v", "release.srr"),
                       out=b"verify release.srr\n" + line("==", "release.nfo") + line("==", "release.sfv")
                       + line("==", "Sample/release-sample.mkv") + passed(3),
                       err=b"tarvok: warning: verbose mode (-v) overrides quiet mode (-q).\n")

    def dump(self, lines):
        sfv_size = len(self.files["release.sfv"])
        sample_size = len(self.blocks[3].fields[-1])
        return (b"  >> blocktype: 69\n   > app name: pyReScene 0.7\n"
                + stored_dump("release.nfo", len(NFO)) + lines[0]
                + stored_dump("release.sfv", sfv_size) + lines[1]
                + stored_dump("Sample/release-sample.srs", sample_size)
                + b"   > ID3 found, size: 06\n   > SRSF found, app: pyReScene 0.7\n"
                + lines[2] +
                b"  >> blocktype: 71\n  >> blocktype: 72\n  >> blocktype: 73\n"
                b"  >> blocktype: 74\n   > payload size: " + short_hex(15000000) + b"\n"
                b"  >> blocktype: 7b\n")

    def test_debug_dump_with_crc_column(self):
        column = [crc_column(crc32(self.files[n])) for n in
                  ("release.nfo", "release.sfv", "Sample/release-sample.mkv")]
        lines = [line("==", "release.nfo", column[0]), line("==", "release.sfv", column[1]),
                 line("==", "Sample/release-sample.mkv", column[2])]
        self.assertRun(self.tarvok("-vv", "--debug=1", "release.srr"),
                       out=b"verify release.srr\n" + self.dump(lines) + passed(3))

    def test_debug_dump_under_quiet(self):
        self.assertRun(self.tarvok("-qqq", "--debug=0", "release.srr"), out=self.dump([b"", b"", b""]))

    def test_names_are_relative_to_the_working_directory(self):
        lists = self.dir / "lists"
        lists.mkdir()
        self.srr(self.blocks, where=lists)
        inside = self.fresh("elsewhere")
        run = self.tarvok("-v", "../lists/release.srr", cwd=inside)
        self.assertRun(run, out=b"verify release.srr\n" + line("--", "release.nfo") + line("--", "release.sfv")
                       + line("--", "Sample/release-sample.mkv") + failed(0, 3, missing=3), status=3)


class Outcomes(SrrCase):
    """Every row of the outcome table, each in a folder of its own."""

    def test_table(self):
        missing_summary = failed(0, 1, missing=1)
        mismatch_summary = failed(0, 1, mismatch=1)
        cases = [
            # label, name, on disk before, args, out (after "verify"), err, status, on disk after
            ("match", "a.txt", PAYLOAD, [], line("==", "a.txt") + passed(1), b"", 0, PAYLOAD),
            ("differs", "a.txt", b"other", [], line("!=", "a.txt") + mismatch_summary, b"", 1, b"other"),
            ("differs, rewritten", "a.txt", b"other", ["-x"], line("~~", "a.txt") + passed(1), b"", 0, PAYLOAD),
            ("missing", "a.txt", None, [], line("--", "a.txt") + missing_summary, b"", 1, None),
            ("missing, written", "a.txt", None, ["-x"], line("++", "a.txt") + passed(1), b"", 0, PAYLOAD),
            ("missing folder", "nodir/a.txt", None, ["-x"], line("--", "nodir/a.txt") + missing_summary,
             error("could not open 'nodir/a.txt' for writing."), 1, None),
            ("directory", "a.txt", "dir", ["-x"], line("--", "a.txt") + missing_summary, b"", 1, "dir"),
            ("in a folder", "sub/a.txt", PAYLOAD, [], line("==", "sub/a.txt") + passed(1), b"", 0, PAYLOAD),
            ("in a folder, written", "sub/b.txt", None, ["-x"], line("++", "sub/b.txt") + passed(1), b"", 0,
             PAYLOAD),
            ("empty payload, written", "e.txt", None, ["-x"], line("++", "e.txt") + passed(1), b"", 0, PAYLOAD),
        ]
        for label, name, before, args, out, err, status, after in cases:
            with self.subTest(label):
                here = self.fresh(label)
                (here / "sub").mkdir()
                payload = b"" if name == "e.txt" else PAYLOAD
                if after == PAYLOAD:
                    after = payload
                target = here / name
                if before == "dir":
                    target.mkdir()
                elif before is not None:
                    target.write_bytes(before)
                self.srr([w.srr_header(), w.stored(name, payload)], where=here)
                run = self.tarvok("-v", *args, "release.srr", cwd=here)
                self.assertRun(run, out=b"verify release.srr\n" + out, err=err, status=status)
                if after == "dir":
                    self.assertTrue(target.is_dir())
                elif after is None:
                    self.assertFalse(os.path.lexists(target))
                else:
                    self.assertEqual(target.read_bytes(), after)

    def test_crc_column_and_indent(self):
        self.write("same.txt", PAYLOAD)
        self.write("old.txt", b"old")
        self.srr([w.srr_header(), w.stored("same.txt", PAYLOAD), w.stored("old.txt", PAYLOAD),
                  w.stored("new.txt", PAYLOAD), w.stored("nodir/gone.txt", PAYLOAD)])
        run = self.tarvok("-vv", "-x", "release.srr")
        self.assertRun(run, out=b"verify release.srr\n"
                       + line("==", "same.txt", crc_column(crc32(PAYLOAD)))
                       + line("~~", "old.txt", crc_column(crc32(b"old")))
                       + line("++", "new.txt", INDENT)
                       + line("--", "nodir/gone.txt", INDENT)
                       + failed(3, 4, missing=1),
                       err=error("could not open 'nodir/gone.txt' for writing."), status=1)

    def test_name_stored_twice(self):
        # Missing at the first block, written there, intact at the second.
        self.srr([w.srr_header(), w.stored("twice.txt", PAYLOAD), w.stored("twice.txt", PAYLOAD)])
        self.assertRun(self.tarvok("-v", "-x", "release.srr"),
                       out=b"verify release.srr\n" + line("++", "twice.txt") + line("==", "twice.txt") + passed(2))

    def test_only_a_header(self):
        self.srr([w.srr_header()])
        self.assertRun(self.tarvok("-v", "release.srr"), out=b"verify release.srr\n")


def unwritable(case, name, contents):
    """Makes name an existing read-only file; returns the user to run as so
    that opening it for writing fails (root writes through permission bits,
    so as root the program runs as an unprivileged user)."""
    path = case.dir / name
    path.write_bytes(contents)
    path.chmod(0o444)
    return harness.unprivileged_user()


@linux_only
class ExtractionFailures(SrrCase):
    """Form A (over an existing file) and form B (for a missing one), at every quiet level."""

    def setUp(self):
        super().setUp()
        self.user = unwritable(self, "locked.txt", b"other contents")
        self.srr([w.srr_header(), w.stored("locked.txt", PAYLOAD), w.stored("nodir/b.txt", PAYLOAD)])
        self.form_a = b'error: could not open "locked.txt" for writing\n'
        self.form_b = error("could not open 'nodir/b.txt' for writing.")
        self.lines = line("!=", "locked.txt") + line("--", "nodir/b.txt") + failed(0, 2, mismatch=1, missing=1)

    def test_levels(self):
        cases = [
            (["-v"], b"verify release.srr\n" + self.lines, self.form_a + self.form_b),
            ([], b"verify release.srr\n" + failed(0, 2, mismatch=1, missing=1), self.form_a + self.form_b),
            (["-q"], b"", self.form_a + self.form_b),
            (["-qq"], b"", self.form_a + self.form_b),
            (["-qqq"], b"", self.form_a),
            (["-qqq", "-v"], b"verify release.srr\n" + self.lines, self.form_a),
        ]
        for args, out, err in cases:
            with self.subTest(args=args):
                self.assertRun(self.tarvok("-x", *args, "release.srr", user=self.user), out=out, err=err, status=2)
                self.assertEqual((self.dir / "locked.txt").read_bytes(), b"other contents")

    def test_write_and_flush_failures(self):
        # Under a 10-byte limit a large write fails at once, a small one only
        # when the stream is flushed at the close.
        big = bytes(range(256)) * 800
        for name in ("big-old.bin", "small-old.bin"):
            self.write(name, b"old")
        self.srr([w.srr_header(), w.stored("big-old.bin", big), w.stored("small-old.bin", PAYLOAD * 4),
                  w.stored("big-new.bin", big), w.stored("small-new.bin", PAYLOAD * 4)])
        run = self.limited_run("-v", "-x", "release.srr", fsize=10)
        self.assertRun(run, out=b"verify release.srr\n" + line("!=", "big-old.bin") + line("!=", "small-old.bin")
                       + line("--", "big-new.bin") + line("--", "small-new.bin")
                       + failed(0, 4, mismatch=2, missing=2),
                       err=b'error: failure while trying to write to "big-old.bin"\n'
                       b'error: failure while trying to write to "small-old.bin"\n'
                       + error("failure while trying to write to 'big-new.bin'.")
                       + error("failure while trying to write to 'small-new.bin'."),
                       status=4)

    def test_within_the_limit(self):
        self.write("old.bin", b"old")
        self.srr([w.srr_header(), w.stored("old.bin", PAYLOAD), w.stored("new.bin", PAYLOAD)])
        run = self.limited_run("-v", "-x", "release.srr", fsize=len(PAYLOAD))
        self.assertRun(run, out=b"verify release.srr\n" + line("~~", "old.bin") + line("++", "new.bin") + passed(2))


class Samples(SrrCase):
    """ID3v2 tags and "SRSF" / "fLaC" sample headers at the start of a payload."""

    def test_sample_headers(self):
        video, audio = b"video sample", b"audio sample"
        self.write("s.mkv", video)
        self.write("s.flac", audio)
        song = w.id3(20) + b"music"
        self.write("song.mp3", song)
        self.srr([w.srr_header(),
                  w.stored("a.srs", w.srsf("app one", "s.mkv", crc32(video))),
                  w.stored("b.srs", w.id3(3) + w.flac("app two", "s.flac", crc32(audio)) + b"more"),
                  w.stored("song.mp3", song)])
        self.assertRun(self.tarvok("-v", "--debug=1", "release.srr"), out=(
            b"verify release.srr\n"
            b"  >> blocktype: 69\n   > app name: tarvok tests\n"
            + stored_dump("a.srs", len(w.srsf("app one", "s.mkv", 0)))
            + b"   > SRSF found, app: app one\n" + line("==", "s.mkv")
            + stored_dump("b.srs", 13 + len(w.flac("app two", "s.flac", 0)) + 4)
            + b"   > ID3 found, size: 03\n   > fLaC found, app: app two\n" + line("==", "s.flac")
            + stored_dump("song.mp3", len(song))
            + b"   > ID3 found, size: 14\n" + line("==", "song.mp3")
            + passed(3)))

    def test_samples_are_never_written(self):
        self.write("differs.mkv", b"not the sample")
        self.srr([w.srr_header(),
                  w.stored("one.srs", w.srsf("app", "absent.mkv", 0x11111111)),
                  w.stored("two.srs", w.flac("app", "differs.mkv", 0x22222222))])
        run = self.tarvok("-v", "-x", "release.srr")
        self.assertRun(run, out=b"verify release.srr\n" + line("--", "absent.mkv") + line("!=", "differs.mkv")
                       + failed(0, 2, mismatch=1, missing=1), status=2)
        self.assertEqual(sorted(os.listdir(self.dir)), ["differs.mkv", "release.srr"])
        self.assertEqual((self.dir / "differs.mkv").read_bytes(), b"not the sample")

    def test_tag_reaching_past_the_end(self):
        # Bytes 6 to 9 combined without clearing their top bits: 0x1fffffff.
        payload = b"ID3\x04\x00\x00\xff\xff\xff\xff" + w.srsf("app", "never.mkv", 0)
        self.write("tag.mp3", payload)
        self.srr([w.srr_header(), w.stored("tag.mp3", payload)])
        self.assertRun(self.tarvok("-v", "--debug=1", "release.srr"), out=(
            b"verify release.srr\n  >> blocktype: 69\n   > app name: tarvok tests\n"
            + stored_dump("tag.mp3", len(payload))
            + b"   > ID3 found, size: 1fffffff\n" + line("==", "tag.mp3") + passed(1)))

    def test_short_payloads_at_the_end(self):
        # Fewer than 4 bytes left: no sample header, and no damage either.
        for payload in (b"", b"I", b"ID", b"ID3", b"SRS", b"fLa"):
            with self.subTest(payload=payload):
                here = self.fresh("short-%d-%s" % (len(payload), payload.hex()))
                (here / "short.bin").write_bytes(payload)
                self.srr([w.srr_header(), w.stored("short.bin", payload)], where=here)
                self.assertRun(self.tarvok("-v", "release.srr", cwd=here),
                               out=b"verify release.srr\n" + line("==", "short.bin") + passed(1))

    def test_tag_ending_right_before_the_end(self):
        payload = w.id3(4) + b"SRS"
        self.write("t.mp3", payload)
        self.srr([w.srr_header(), w.stored("t.mp3", payload)])
        self.assertRun(self.tarvok("-v", "release.srr"),
                       out=b"verify release.srr\n" + line("==", "t.mp3") + passed(1))

    def test_cut_headers_are_damage(self):
        header = w.srr_header()
        offset = len(header.data())
        cases = [
            ("tag header", w.stored("t.mp3", b"ID3\x03\x00\x00\x00")),
            ("srsf header", w.stored("t.srs", w.srsf("app", "s.mkv", 0)[:-1])),
            ("flac name", w.stored("t.srs", w.flac("app", "sample.flac", 0)[:20])),
            ("unsized srsf", w.block(w.STORED_FILE, 0, body=w.named("t.srs"))),
        ]
        for label, stored in cases:
            with self.subTest(label):
                here = self.fresh(label)
                blocks = [header, stored]
                data = w.srr(blocks)
                if label == "unsized srsf":
                    # Nothing is sized, but the bytes after the name still start a
                    # sample header, cut inside its application name.
                    data += w.srsf("app", "s.mkv", 0)[:14]
                (here / "cut.srr").write_bytes(data)
                self.assertRun(self.tarvok("-v", "cut.srr", cwd=here), out=b"verify cut.srr\n",
                               err=damaged("cut.srr", offset), status=1)

    def test_every_cut_of_a_sample_header(self):
        # The stored block is the last one and its payload ends at the cut, so
        # the sample detection meets the end of the data at each field boundary.
        video = b"video sample"
        self.write("s.mkv", video)
        first = [w.srr_header(), w.stored("a.txt", PAYLOAD)]
        offset = len(w.srr(first))
        srsf = w.srsf_fields("app", "s.mkv", crc32(video), len(video))
        tag = w.id3_fields(2)
        # fields; cuts (payload lengths) after which the payload is a plain
        # stored file: fewer than 4 bytes, a tag reaching past the end, or fewer
        # than 4 bytes after the tag; every other short cut is damage
        cases = [
            ("srsf", srsf, range(0, 4)),
            ("flac", w.flac_fields("app", "s.mkv", crc32(video), len(video)), range(0, 4)),
            ("id3 then srsf", tag + srsf, list(range(0, 4)) + list(range(10, 16))),
        ]
        for label, fields, plain in cases:
            full = b"".join(fields)
            cuts = {0, len(full)}
            end = 0
            for field in fields:
                cuts.update((end + 1, end + len(field) - 1, end + len(field)))
                end += len(field)
            for cut in sorted(c for c in cuts if 0 <= c <= len(full)):
                with self.subTest(label, cut=cut):
                    here = self.fresh("%s-%d" % (label, cut))
                    (here / "a.txt").write_bytes(PAYLOAD)
                    (here / "s.mkv").write_bytes(video)
                    (here / "t.srs").write_bytes(full[:cut])
                    self.srr(first + [w.stored("t.srs", full[:cut])], where=here)
                    run = self.tarvok("-v", "release.srr", cwd=here)
                    out = b"verify release.srr\n" + line("==", "a.txt")
                    if cut == len(full):
                        self.assertRun(run, out=out + line("==", "s.mkv") + passed(2))
                    elif cut in plain:
                        self.assertRun(run, out=out + line("==", "t.srs") + passed(2))
                    else:
                        self.assertRun(run, out=out + failed(1, 1), err=damaged("release.srr", offset), status=1)


class Flags(SrrCase):
    def test_sized_srr_header_moves_only_past_its_name(self):
        self.write("a.txt", PAYLOAD)
        self.srr([w.srr_header("app", flags=w.SIZED, payload_size=0x12345), w.stored("a.txt", PAYLOAD)])
        self.assertRun(self.tarvok("-v", "--debug=1", "release.srr"), out=(
            b"verify release.srr\n  >> blocktype: 69\n   > payload size: 00012345\n   > app name: app\n"
            + stored_dump("a.txt", len(PAYLOAD)) + line("==", "a.txt") + passed(1)))

    def test_unsized_stored_file(self):
        # Flags other than exactly 0x8000: no payload, expected CRC-32 0, the
        # next block right after the name; -x never writes it.
        self.write("empty.txt", b"")
        self.write("full.txt", b"contents")
        for flags in (0x8001, 0x0000, 0xC000):
            with self.subTest(flags=hex(flags)):
                self.srr([w.srr_header(), w.stored("empty.txt", flags=flags), w.stored("full.txt", flags=flags),
                          w.stored("none.txt", flags=flags), w.stored("next.txt", PAYLOAD)])
                run = self.tarvok("-vv", "-x", "--debug=1", "release.srr")
                self.assertRun(run, out=(
                    b"verify release.srr\n  >> blocktype: 69\n   > app name: tarvok tests\n"
                    + stored_dump("empty.txt") + line("==", "empty.txt", b"{00} ")
                    + stored_dump("full.txt") + line("!=", "full.txt", crc_column(crc32(b"contents")))
                    + stored_dump("none.txt") + line("--", "none.txt", INDENT)
                    + stored_dump("next.txt", len(PAYLOAD)) + line("++", "next.txt", INDENT)
                    + failed(2, 4, mismatch=1, missing=1)), status=2)
                self.assertEqual((self.dir / "full.txt").read_bytes(), b"contents")
                self.assertFalse((self.dir / "none.txt").exists())
                (self.dir / "next.txt").unlink()


class Damage(SrrCase):
    """A damaged .srr: blocks before the damage count, the damage fails the check."""

    def test_header_size_of_other_blocks(self):
        self.write("a.txt", PAYLOAD)
        self.write("b.txt", PAYLOAD)
        first = [w.srr_header(), w.stored("a.txt", PAYLOAD)]
        offset = len(w.srr(first))
        cases = [
            # flags, header size, damaged
            (0, 7, False), (0, 20, False), (w.SIZED, 11, False),
            (0, 6, True), (0, 0, True), (w.SIZED, 10, True), (w.SIZED, 7, True),
        ]
        for flags, size, bad in cases:
            with self.subTest(flags=flags, size=size):
                body = b"\xee" * max(0, size - (11 if flags == w.SIZED else 7))
                other = w.block(0x7A, flags, body=body, header_size=size, payload_size=0xFFFFFFFF)
                self.srr(first + [other, w.stored("b.txt", PAYLOAD)])
                run = self.tarvok("-v", "release.srr")
                if bad:
                    self.assertRun(run, out=b"verify release.srr\n" + line("==", "a.txt") + failed(1, 1),
                                   err=damaged("release.srr", offset), status=1)
                else:
                    self.assertRun(run, out=b"verify release.srr\n" + line("==", "a.txt") + line("==", "b.txt")
                                   + passed(2))

    def test_reaching_past_the_end(self):
        header = w.srr_header()
        offset = len(header.data())
        sample = w.srsf("app", "s.mkv", 0)  # its bytes are not needed: damage all the same
        cases = [
            ("header size", w.block(0x7A, 0, body=b"\0" * 5, header_size=13)),
            ("payload", w.stored("gone.txt", PAYLOAD, payload_size=len(PAYLOAD) + 1)),
            ("huge payload", w.stored("gone.txt", PAYLOAD, payload_size=0xFFFFFFFF)),
            ("sample payload", w.stored("s.srs", sample, payload_size=len(sample) + 1)),
            ("name", w.block(w.STORED_FILE, w.SIZED, body=w.u16(40) + b"short")),
            ("app name", w.block(w.SRR_HEADER, 0, body=w.u16(0xFFFF) + b"app")),
            ("payload size", w.Block(w.STORED_FILE, [b"\0\0", b"\x6a", b"\x00\x80", b"\x0b\x00", b"\x05\x00"])),
            ("fixed fields", w.Block(0x7A, [b"\0\0\x7a\0\0\x07"])),
        ]
        for label, block in cases:
            with self.subTest(label):
                here = self.fresh(label)
                (here / "cut.srr").write_bytes(w.srr([header, block]))
                for args in (["-v"], ["-v", "-x"]):
                    self.assertRun(self.tarvok(*args, "cut.srr", cwd=here), out=b"verify cut.srr\n",
                                   err=damaged("cut.srr", offset), status=1)
                self.assertEqual(os.listdir(here), ["cut.srr"])

    def test_damage_under_quiet(self):
        self.write("a.txt", PAYLOAD)
        self.srr([w.srr_header(), w.stored("a.txt", PAYLOAD), w.stored("cut.txt", PAYLOAD, payload_size=99)])
        offset = len(w.srr([w.srr_header(), w.stored("a.txt", PAYLOAD)]))
        self.assertRun(self.tarvok("-q", "release.srr"), err=damaged("release.srr", offset), status=1)
        self.assertRun(self.tarvok("-qqq", "release.srr"), status=1)
        self.assertRun(self.tarvok("release.srr"), out=b"verify release.srr\n" + failed(1, 1),
                       err=damaged("release.srr", offset), status=1)

    def test_message_names_the_file_without_its_folder(self):
        lists = self.dir / "lists"
        lists.mkdir()
        self.srr([w.srr_header(), w.stored("cut.txt", PAYLOAD, payload_size=99)], where=lists)
        self.assertRun(self.tarvok("-v", "lists/release.srr"), out=b"verify release.srr\n",
                       err=damaged("release.srr", len(w.srr_header().data())), status=1)

    def test_every_cut_of_a_valid_file(self):
        blocks, files = realistic()
        for name, data in files.items():
            self.write(name, data)
        data = w.srr(blocks)
        spans = w.layout(blocks)
        cuts = set()
        start = 0
        for _, _, ends in spans:
            for end in ends:
                cuts.add(end)
                if end - start > 1:
                    cuts.add(start + 1)
                if end - start > 2:
                    cuts.add(end - 1)
                start = end
        cuts = sorted(c for c in cuts if 0 < c < len(data))
        for cut in cuts:
            with self.subTest(cut=cut):
                name = "cut-%d.srr" % cut
                self.write(name, data[:cut])
                inside = [s for s, e, _ in spans if s < cut < e]
                stored = sum(1 for blk, (_, e, _) in zip(blocks, spans) if blk.kind == w.STORED_FILE and e <= cut)
                out = b"verify " + as_bytes(name) + b"\n"
                run = self.tarvok(name)
                if inside:
                    self.assertRun(run, out=out + (failed(stored, stored) if stored else b""),
                                   err=damaged(name, inside[0]), status=1)
                else:
                    self.assertRun(run, out=out + (passed(stored) if stored else b""))


class Outside(SrrCase):
    """Extraction never writes outside the current directory; testing stays as it was."""

    def test_names_leading_outside(self):
        work = self.dir / "work"
        work.mkdir()
        self.write("existing.txt", b"old")
        self.write("match.txt", PAYLOAD)
        self.write("abs.txt", b"old")
        (work / "ok.txt").write_bytes(PAYLOAD)
        absolute = str(self.dir / "abs.txt")
        # name, its line with and without -x, whether -x refuses to write it
        cases = [
            ("../outside.txt", "--", True),
            ("../existing.txt", "!=", True),
            ("../match.txt", "==", False),
            ("sub/../inside.txt", "--", True),
            ("..\\win.txt", "--", True),
            ("a/..\\..\\b.txt", "--", True),
            ("..", "--", False),  # the parent folder: a directory is never written
            (absolute, "!=", True),
            ("\\abs.txt", "--", True),
            ("C:drive.txt", "--", True),
            ("z:/drive.txt", "--", True),
            ("ok.txt\0tail", "--", True),  # not tested as "ok.txt", which is intact
        ]
        self.srr([w.srr_header()] + [w.stored(n, PAYLOAD) for n, _, _ in cases]
                 + [w.stored("..foo", PAYLOAD), w.stored("a..b", PAYLOAD)], where=work)
        before = sorted(os.listdir(self.dir))
        plain = b"".join(line(m, n) for n, m, _ in cases)

        run = self.tarvok("-v", "release.srr", cwd=work)
        self.assertRun(run, out=b"verify release.srr\n" + plain + line("--", "..foo") + line("--", "a..b")
                       + failed(1, 14, mismatch=2, missing=11), status=13)

        run = self.tarvok("-v", "-x", "release.srr", cwd=work)
        # "..foo" stays inside but is a hidden name, which -x never writes.
        errors = b"".join(outside(n) for n, _, refused in cases if refused) + error(
            b"'..foo' was not written: a part of its name begins with '.' (a hidden file or folder).")
        self.assertRun(run, out=b"verify release.srr\n" + plain + line("--", "..foo") + line("++", "a..b")
                       + failed(2, 14, mismatch=2, missing=10), err=errors, status=12)

        self.assertEqual(sorted(os.listdir(self.dir)), before)
        self.assertEqual((self.dir / "existing.txt").read_bytes(), b"old")
        self.assertEqual((self.dir / "abs.txt").read_bytes(), b"old")
        self.assertEqual(sorted(os.listdir(work)), ["a..b", "ok.txt", "release.srr"])

    def test_refusal_under_quiet(self):
        work = self.dir / "work"
        work.mkdir()
        self.srr([w.srr_header(), w.stored("../up.txt", PAYLOAD)], where=work)
        for args, err in ((["-qq"], outside("../up.txt")), (["-qqq"], b"")):
            with self.subTest(args=args):
                self.assertRun(self.tarvok("-x", *args, "release.srr", cwd=work), err=err, status=1)
        self.assertEqual(sorted(os.listdir(self.dir)), ["work"])

    def test_names_of_many_parts_end_quickly(self):
        # Names of up to 64 KiB made of short parts: each part must not cost
        # a look-up of the whole path so far.
        self.fresh("sub")
        names = [b"x/" * 20000 + b"n", b"./" * 20000 + b"x/n", b"sub" + b"/" * 40000 + b"x/n"]
        self.srr([w.srr_header()] + [w.stored(n, PAYLOAD) for n in names])
        # Minutes before the link test was bounded; the limit leaves room for a busy wine.
        run = self.tarvok("-v", "-x", "release.srr", timeout=120)
        if harness.WINDOWS:
            self.assertRun(run, out=b"verify release.srr\n" + b"".join(line("--", n) for n in names)
                           + failed(0, 3, missing=3),
                           err=b"".join(error(b"could not open '" + n + b"' for writing.") for n in names), status=3)
        else:
            # Too long to look up: not missing, but not to be checked either.
            self.assertRun(run, out=b"verify release.srr\n" + b"".join(line("!=", n) for n in names)
                           + failed(0, 3, mismatch=3),
                           err=b"".join(error(b"'" + n + b"' could not be checked: File name too long.")
                                        for n in names), status=3)
        self.assertEqual(sorted(os.listdir(self.dir)), ["release.srr", "sub"])


@linux_only
class SymbolicLinks(SrrCase):
    """-x never writes through a symbolic link, wherever it points."""

    def test_links_are_not_written_through(self):
        work = self.dir / "work"
        (self.dir / "outdir").mkdir()
        work.mkdir()
        self.write("target.txt", b"old")
        os.symlink("../target.txt", work / "evil.txt")      # existing file, other contents
        os.symlink("../nowhere.txt", work / "dangling.txt")  # points at nothing yet
        os.symlink("../outdir", work / "linkdir")            # a folder on the way
        names = ["evil.txt", "dangling.txt", "linkdir/new.txt"]
        self.srr([w.srr_header()] + [w.stored(n, PAYLOAD) for n in names], where=work)

        run = self.tarvok("-v", "-x", "release.srr", cwd=work)
        refused = b"".join(error("'" + n + "' was not written: its path goes through a symbolic link.")
                           for n in names)
        self.assertRun(run, out=b"verify release.srr\n" + line("!=", "evil.txt") + line("--", "dangling.txt")
                       + line("--", "linkdir/new.txt") + failed(0, 3, mismatch=1, missing=2),
                       err=refused, status=3)
        self.assertEqual((self.dir / "target.txt").read_bytes(), b"old")
        self.assertFalse((self.dir / "nowhere.txt").exists())
        self.assertEqual(os.listdir(self.dir / "outdir"), [])


@linux_only
class SpecialFiles(SrrCase):
    def test_fifo_is_never_opened(self):
        os.mkfifo(self.dir / "pipe.bin")
        self.srr([w.srr_header(), w.stored("pipe.bin", PAYLOAD)])
        for args in (["-v"], ["-v", "-x"]):
            with self.subTest(args=args):
                run = self.tarvok(*args, "release.srr", timeout=30)
                self.assertRun(run, out=b"verify release.srr\n" + line("!=", "pipe.bin") + failed(0, 1, mismatch=1),
                               err=error("could not read from 'pipe.bin'"), status=1)
        self.assertTrue((self.dir / "pipe.bin").is_fifo())


class SfvThenSrr(SrrCase):
    def test_rewrite_shows_the_crc_from_before_and_caches_the_new(self):
        old, new = b"old contents", b"new contents"
        self.write("a.txt", old)
        self.write("release.sfv", harness.sfv([("a.txt", new)]))
        # The rewrite's line shows the CRC-32 that the .sfv check read; the
        # second block compares against the bytes written.
        self.srr([w.srr_header(), w.stored("a.txt", new), w.stored("a.txt", new)])
        run = self.tarvok("-vv", "-x", "release.sfv", "release.srr")
        self.assertRun(run, out=b"verify release.sfv\n" + line("!=", "a.txt", crc_column(crc32(old)))
                       + b".sfv failed (1 mismatch; 0 passed out of 1 checked)\n"
                       b"\nverify release.srr\n" + line("~~", "a.txt", crc_column(crc32(old)))
                       + line("==", "a.txt", crc_column(crc32(new))) + passed(2), status=1)
        self.assertEqual((self.dir / "a.txt").read_bytes(), new)

    def test_both_reports_with_failures(self):
        self.write("a.txt", b"intact")
        self.write("release.sfv", harness.sfv([("a.txt", b"intact"), ("gone.txt", b"x")]))
        self.srr([w.srr_header(), w.stored("a.txt", b"intact"), w.stored("b.txt", b"other")])
        run = self.tarvok("-v", "release.srr", "release.sfv")
        self.assertRun(run, out=b"verify release.sfv\n" + line("==", "a.txt") + line("--", "gone.txt")
                       + b".sfv failed (1 missing; 1 passed out of 2 checked)\n"
                       b"\nverify release.srr\n" + line("==", "a.txt") + line("--", "b.txt")
                       + failed(1, 2, missing=1), status=2)  # both checks count


if __name__ == "__main__":
    unittest.main()
