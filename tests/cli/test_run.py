"""End-to-end tests of choosing what to check: arguments, run's messages, exit statuses."""

import os
import unittest

import srr_writer as w
from harness import CliCase, require_fifos, sfv, unprivileged_user

NOTHING_FOUND = b"tarvok: error: could not find an .sfv or .srr file in the current working directory.\n"
NO_SFV = b"tarvok: error: could not find an .sfv file in the current working directory.\n"
NO_SRR = b"tarvok: error: could not find an .srr file in the current working directory.\n"
MANY_SFV = b"tarvok: warning: found multiple files with a .sfv extension; using best guess.\n"
MANY_SRR = b"tarvok: warning: found multiple files with a .srr extension; using best guess.\n"

# An .srr of one SRR header block: it verifies nothing and passes.
HEADER_ONLY_SRR = w.srr([w.srr_header()])


def not_found(arg):
    return b"tarvok: error: could not find '" + arg + b"' - does it exist ?\n"


class ArgumentTest(CliCase):
    def setUp(self):
        super().setUp()
        self.write("a.bin", b"alpha")
        self.write("good.sfv", sfv([("a.bin", b"alpha")]))
        self.write("bad.sfv", sfv([("a.bin", 0x1)]))
        self.write("b.srr", HEADER_ONLY_SRR)

    def test_argument_problems_end_the_run_with_status_one(self):
        self.write("sub/dir/list.sfv", b"")
        self.write("empty.srr", b"")
        os.mkdir(self.dir / "folder.sfv")
        table = [
            (["nothere.sfv"], b"", not_found(b"nothere.sfv")),
            (["sub/dir/none.sfv"], b"", not_found(b"sub/dir/none.sfv")),
            # arguments are examined in order; nothing is checked before all pass
            (["good.sfv", "missing.sfv"], b"", not_found(b"missing.sfv")),
            (["missing.sfv", "folder.sfv"], b"", not_found(b"missing.sfv")),
            (["folder.sfv"], b"", b"tarvok: error: 'folder.sfv' is a directory.\n"),
            (["sub/dir"], b"", b"tarvok: error: 'sub/dir' is a directory.\n"),
            (["sub/dir/list.sfv"], b"", b"tarvok: error: 'list.sfv' is an empty file.\n"),
            (["empty.srr"], b"", b"tarvok: error: 'empty.srr' is an empty file.\n"),
            # an empty .srr is reported after the .sfv report and its separator
            (["good.sfv", "empty.srr"], b"verify good.sfv\n.sfv passed (1 file)\n\n",
             b"tarvok: error: 'empty.srr' is an empty file.\n"),
        ]
        for args, out, err in table:
            with self.subTest(args=args):
                self.assertRun(self.tarvok(*args), out=out, err=err, status=1)

    def test_checksum_file_without_entries(self):
        self.write("sub/notes.sfv", b"; only a comment\r\nshort\r\n\r\n")
        self.write("junk.sfv", b"no checksum on this line\n")
        table = [
            (["sub/notes.sfv"], [], b"verify notes.sfv\n"),
            (["junk.sfv"], [], b"verify junk.sfv\n"),
            (["junk.sfv"], ["-v"],
             b"verify junk.sfv\n xx : {.sfv line #1 couldn't be parsed as expected}\n"),
            (["junk.sfv"], ["-q"], b""),
        ]
        for args, options, out in table:
            with self.subTest(args=args, options=options):
                name = os.path.basename(args[0]).encode()
                self.assertRun(self.tarvok(*options, *args), out=out, status=1,
                               err=b"tarvok: error: '" + name
                               + b"' didn't contain any file checksum entries.\n")

    def test_kinds_and_order_of_arguments(self):
        self.write("x.SRR", sfv([("a.bin", b"alpha")]))
        self.write("list", sfv([("a.bin", b"alpha")]))
        self.write("list.txt", sfv([("a.bin", b"alpha")]))
        both = b"verify good.sfv\n.sfv passed (1 file)\n\nverify b.srr\n"
        table = [
            (["good.sfv", "b.srr"], both, 0),
            (["b.srr", "good.sfv"], both, 0),
            (["b.srr"], b"verify b.srr\n", 0),
            # the extension test is case-sensitive: x.SRR is an SFV
            (["x.SRR"], b"verify x.SRR\n.sfv passed (1 file)\n", 0),
            (["list"], b"verify list\n.sfv passed (1 file)\n", 0),
            (["list.txt"], b"verify list.txt\n.sfv passed (1 file)\n", 0),
            # a later argument of one kind replaces an earlier one
            (["bad.sfv", "good.sfv"], b"verify good.sfv\n.sfv passed (1 file)\n", 0),
            (["good.sfv", "bad.sfv"],
             b"verify bad.sfv\n.sfv failed (1 mismatch; 0 passed out of 1 checked)\n", 1),
            (["b.srr", "x.SRR", "b.srr"], b"verify x.SRR\n.sfv passed (1 file)\n\nverify b.srr\n", 0),
            # with both files the failures of both checks count: a passing
            # .srr must not hide the damage the .sfv found
            (["bad.sfv", "b.srr"],
             b"verify bad.sfv\n.sfv failed (1 mismatch; 0 passed out of 1 checked)\n\nverify b.srr\n", 1),
            # the options sfv and srr play no part when FILE arguments are given
            (["--srr", "good.sfv"], b"verify good.sfv\n.sfv passed (1 file)\n", 0),
        ]
        for args, out, status in table:
            with self.subTest(args=args):
                self.assertRun(self.tarvok(*args), out=out, status=status)

    def test_separator_line_is_printed_at_every_quiet_level(self):
        for quiet in ("-q", "-qq", "-qqq"):
            with self.subTest(quiet=quiet):
                self.assertRun(self.tarvok(quiet, "bad.sfv", "b.srr"), out=b"\n", status=1)

    def test_names_are_relative_to_the_working_directory(self):
        self.write("sub/list.sfv", sfv([("a.bin", b"alpha"), ("only-in-sub.bin", b"x")]))
        self.write("sub/only-in-sub.bin", b"x")
        self.assertRun(self.tarvok("-v", "sub/list.sfv"),
                       out=b"verify list.sfv\n == : a.bin\n -- : only-in-sub.bin\n"
                           b".sfv failed (1 missing; 1 passed out of 2 checked)\n",
                       status=1)


class UnreadableChecksumFileTest(CliCase):
    """A chosen checksum file that cannot be read is reported by its name as given."""

    def make(self, folder, relpath, kind):
        """Makes the checksum file; returns the user id to run as (None: as is)."""
        path = folder / relpath
        path.parent.mkdir(parents=True, exist_ok=True)
        if kind == "fifo":
            require_fifos()
            os.mkfifo(path)
            return None
        path.write_bytes(sfv([("a.bin", b"alpha")]))
        os.chmod(path, 0)
        return unprivileged_user()

    def test_unreadable_checksum_files(self):
        for kind in ("fifo", "no-permission"):
            for relpath, args in (("x.sfv", ["x.sfv"]), ("sub/x.sfv", ["sub/x.sfv"]),
                                  ("b.srr", ["b.srr"]), ("x.sfv", []), ("b.srr", ["--srr"])):
                with self.subTest(kind=kind, relpath=relpath, args=args):
                    folder = self.fresh("%s-%s-%s" % (kind, relpath, "-".join(args)))
                    user = self.make(folder, relpath, kind)
                    name = (args[0] if args and not args[0].startswith("-") else relpath).encode()
                    err = b"tarvok: error: could not read from '" + name + b"'\n"
                    run = self.tarvok(*args, cwd=folder, timeout=15, user=user)
                    self.assertRun(run, err=err, status=1)
                    run = self.tarvok("-qqq", *args, cwd=folder, timeout=15, user=user)
                    self.assertRun(run, status=1)


class ExitStatusTest(CliCase):
    def test_status_is_the_failure_count(self):
        self.write("one.bin", b"1")
        self.write("two.bin", b"2")
        self.write("three.bin", b"3")
        self.write("x.sfv", sfv([("one.bin", 0xdeadbeef), ("two.bin", 0xdeadbeef),
                                 ("gone.bin", 0), ("three.bin", b"3")])
                   + b"not a checksum line\r\n")
        self.assertRun(self.tarvok("x.sfv"),
                       out=b"verify x.sfv\n.sfv failed (2 mismatches; 1 missing; "
                           b"1 passed out of 4 checked; also found 1 unparseable line)\n",
                       status=4)

    def test_failure_counts_beyond_255_do_not_wrap_to_success(self):
        for count in (255, 256, 300):
            with self.subTest(count=count):
                folder = self.fresh("missing-%d" % count)
                (folder / "x.sfv").write_bytes(
                    sfv([("gone%03d.bin" % i, 0) for i in range(count)]))
                self.assertRun(self.tarvok("x.sfv", cwd=folder),
                               out=b"verify x.sfv\n.sfv failed (%d missing; 0 passed out of %d checked)\n"
                                   % (count, count),
                               status=255)


class DiscoveryMessageTest(CliCase):
    def test_nothing_found(self):
        table = [
            ([], {}, NOTHING_FOUND),
            (["--sfv"], {}, NO_SFV),
            (["--srr"], {}, NO_SRR),
            # sfv wins over srr: only an .sfv is looked for
            (["--sfv", "--srr"], {"b.srr": HEADER_ONLY_SRR}, NO_SFV),
            (["--srr"], {"a.sfv": sfv([("a.sfv", 0)])}, NO_SRR),
            # not candidates
            ([], {"notes.txt": b"x", "c.sfv.bak": sfv([("c", 0)]), ".sfv": sfv([("c", 0)]),
                  "srr": b"x"}, NOTHING_FOUND),
        ]
        for options, files, err in table:
            with self.subTest(options=options, files=sorted(files)):
                folder = self.fresh("-".join(options + sorted(files)) or "empty")
                for name, data in files.items():
                    (folder / name).write_bytes(data)
                self.assertRun(self.tarvok(*options, cwd=folder), err=err, status=1)

    def test_one_kind_found(self):
        table = [
            ([], {"b.srr": HEADER_ONLY_SRR}, b"verify b.srr\n"),
            ([], {"a.sfv": sfv([("a.bin", b"alpha")])}, b"verify a.sfv\n.sfv passed (1 file)\n"),
            (["--srr"], {"b.srr": HEADER_ONLY_SRR, "a.sfv": sfv([("a.bin", b"alpha")])},
             b"verify b.srr\n"),
            (["--sfv"], {"b.srr": HEADER_ONLY_SRR, "a.sfv": sfv([("a.bin", b"alpha")])},
             b"verify a.sfv\n.sfv passed (1 file)\n"),
            ([], {"b.srr": HEADER_ONLY_SRR, "a.sfv": sfv([("a.bin", b"alpha")])},
             b"verify a.sfv\n.sfv passed (1 file)\n\nverify b.srr\n"),
        ]
        for options, files, out in table:
            with self.subTest(options=options, files=sorted(files)):
                folder = self.fresh("-".join(options + sorted(files)))
                (folder / "a.bin").write_bytes(b"alpha")
                for name, data in files.items():
                    (folder / name).write_bytes(data)
                self.assertRun(self.tarvok(*options, cwd=folder), out=out)

    def test_several_candidates_warn_and_check_the_best_guess(self):
        # The .m3u stem makes the guess independent of the listing order.
        files = {"a.bin": b"alpha", "pick.m3u": b"",
                 "other.sfv": sfv([("nothere", 0)]), "pick.sfv": sfv([("a.bin", b"alpha")]),
                 "zzz.sfv": sfv([("nothere", 0)]),
                 "other.srr": b"", "pick.srr": HEADER_ONLY_SRR}
        for name, data in files.items():
            self.write(name, data)
        sfv_report = b"verify pick.sfv\n.sfv passed (1 file)\n"
        table = [
            (["--sfv"], sfv_report, MANY_SFV),
            (["--srr"], b"verify pick.srr\n", MANY_SRR),
            # without an option: the .sfv warning first, then the .srr one
            ([], sfv_report + b"\nverify pick.srr\n", MANY_SFV + MANY_SRR),
            (["-qq"], b"\n", b""),
        ]
        for options, out, err in table:
            with self.subTest(options=options):
                self.assertRun(self.tarvok(*options), out=out, err=err)


if __name__ == "__main__":
    unittest.main()
