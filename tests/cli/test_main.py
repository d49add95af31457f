"""End-to-end tests of the program's entry: help, version, warranty, parse errors, -v/-q."""

import re
import unittest

from harness import CliCase, banner_platform, crc32, crc_column, sfv

USAGE_TEXT = (b"[options...] [FILE]...\n\n"
              b"  > tarvok verifies file presence and checksums against .sfv/.srr FILEs.\n"
              b"\n")

LISTING = (b"    --sfv      only verify against a discovered .sfv\n"
           b"    --srr      only verify against a discovered .srr\n"
           b" -x/--extract  extract missing or incorrect files from a .srr\n"
           b" -v/--verbose  verbose (-v) and more verbose (-vv) output\n"
           b" -q/--quiet    omit normal output (-q), warnings (-qq) and errors (-qqq)\n"
           b"    --version  show version and credits, then exit\n"
           b" -?/--help     show this help text, then exit\n")

BANNER_LINE = b"tarvok v1.0.0 [r454; 2025-02-28 19:12:48]; (c) 2025-2026\n"

CREDITS = b"Credits\n - Orvane/Zandrik: coding\n"

WARRANTY = (
    b"Disclaimer of Warranty\n"
    b' - THE SOFTWARE IS PROVIDED "AS IS", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR\n'
    b" - IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY,\n"
    b" - FITNESS FOR A PARTICULAR PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL\n"
    b" - THE AUTHORS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER LIABILITY, WHETHER\n"
    b" - IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING FROM, OUT OF OR IN\n"
    b" - CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER DEALINGS IN THE SOFTWARE.\n")


class HelpTest(CliCase):
    def usage(self):
        return b"usage: " + self.invoked.encode() + b" " + USAGE_TEXT

    def test_help_forms_print_usage_and_listing(self):
        # Help is served before any parse error and is never gated by -q.
        for args in (["--help"], ["-?"], ["--help", "-z"], ["--bogus", "-?"],
                     ["-qqq", "--help"], ["--help", "--version", "--warranty"],
                     ["--help", "missing.sfv"]):
            with self.subTest(args=args):
                self.assertRun(self.tarvok(*args), out=self.usage() + LISTING)

    def test_help_with_debug_reports_the_redirected_stdout(self):
        # An invalid debug value still counts as given, and help hides the error.
        for args in (["--help", "--debug=1"], ["--debug", "7", "-?"], ["--help", "--debug=abc"]):
            with self.subTest(args=args):
                self.assertRun(self.tarvok(*args),
                               out=self.usage() + b"stdout is redirected\n\n" + LISTING)


class VersionTest(CliCase):
    BUILT = re.compile(rb" {13} built: [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{4} "
                       rb"[0-9]{2}:[0-9]{2}:[0-9]{2} for: (.*)\n\Z")

    def assertVersion(self, run):
        self.assertEqual((run.err, run.status), (b"", 0))
        lines = run.out.split(b"\n", 2)
        self.assertEqual(len(lines), 3, run.out)
        self.assertEqual(lines[0] + b"\n", BANNER_LINE)
        built = self.BUILT.match(lines[1] + b"\n")
        self.assertTrue(built, lines[1])
        self.assertEqual(built.group(1), banner_platform().encode())
        self.assertEqual(lines[2], b"\n" + CREDITS)

    def test_version_banner_and_credits(self):
        # version wins over warranty; quiet does not gate it; "=..." after a
        # noPending option is ignored without an error.
        for args in (["--version"], ["--version", "--warranty"], ["--warranty", "--version"],
                     ["-qqq", "--version"], ["--version=1"], ["--version", "nothere.sfv"]):
            with self.subTest(args=args):
                self.assertVersion(self.tarvok(*args))

    def test_warranty(self):
        for args in (["--warranty"], ["-qq", "--warranty"], ["--warranty", "-v"]):
            with self.subTest(args=args):
                self.assertRun(self.tarvok(*args), out=WARRANTY)


class ParseErrorTest(CliCase):
    def failure(self, *errors):
        return (b"tarvok: fatal: " + b"\n".join(errors) + b"\n"
                b"Try '" + self.invoked.encode() + b" --help' for more information.\n")

    def test_errors_are_one_fatal_line_then_the_try_line(self):
        table = [
            (["-z"], [b"z is not a valid option (found in: '-z')"]),
            (["--bogus"], [b"bogus is not a valid option (found in: '--bogus')"]),
            (["-vz"], [b"z is not a valid option (found in: '-vz')"]),
            (["--=x"], [b" is not a valid option (found in: '--=x')"]),
            (["--sfv=1"], [b"--sfv does not accept arguments (found explicit assignnment: '--sfv=1')"]),
            (["--extract=yes"],
             [b"-x/--extract does not accept arguments (found explicit assignnment: '--extract=yes')"]),
            (["--sfv", "--sfv"], [b"--sfv can only be specified once (found earlier: '--sfv')"]),
            (["-x", "--extract"], [b"-x can only be specified once (found earlier: '-x')"]),
            (["--version", "--version"],
             [b"--version can only be specified once (found earlier: '--version')"]),
            (["--debug"], [b"--debug must be followed by an argument"]),
            (["--debug=abc"], [b"--debug must be followed by a valid integer (found: 'abc')"]),
            (["--debug", "abc"], [b"--debug must be followed by a valid integer (found: 'abc')"]),
            (["--debug=-1"], [b"--debug must be followed by a valid integer (found: '-1')"]),
            (["--debug="], [b"argument assignment missing (found: '--debug=')"]),
            (["--debug", "-v"], [b"--debug must be followed by an argument (found: '-v' instead)"]),
            (["-z", "--bogus"], [b"z is not a valid option (found in: '-z')",
                                 b"bogus is not a valid option (found in: '--bogus')"]),
            (["--version", "-z"], [b"z is not a valid option (found in: '-z')"]),
            (["--warranty", "-qqq", "-y"], [b"y is not a valid option (found in: '-y')"]),
        ]
        for args, errors in table:
            with self.subTest(args=args):
                self.assertRun(self.tarvok(*args), err=self.failure(*errors), status=1)

    def test_integer_forms_of_debug_are_accepted(self):
        # An accepted debug value changes nothing: the run goes on to discovery.
        nothing = b"tarvok: error: could not find an .sfv or .srr file in the current working directory.\n"
        for value in ("7", "0x1F", "$1f", "%101", "012"):
            with self.subTest(value=value):
                self.assertRun(self.tarvok("--debug=" + value), err=nothing, status=1)

    def test_double_dash_ends_the_options(self):
        self.assertRun(self.tarvok("--", "-z"),
                       err=b"tarvok: error: could not find '-z' - does it exist ?\n", status=1)


class VerboseQuietTest(CliCase):
    def setUp(self):
        super().setUp()
        self.write("a.bin", b"payload")
        self.write("x.sfv", sfv([("a.bin", b"payload")]))

    def warning(self, verbose, quiet):
        return ("tarvok: warning: verbose mode (%s) overrides quiet mode (%s).\n"
                % (verbose, quiet)).encode()

    def test_verbose_overrides_quiet_with_a_warning(self):
        detailed = b"verify x.sfv\n == : a.bin\n.sfv passed (1 file)\n"
        table = [
            (["-v", "-q"], self.warning("-v", "-q")),
            (["-q", "-v"], self.warning("-v", "-q")),
            (["-vq"], self.warning("-v", "-q")),
            (["-qv"], self.warning("-v", "-q")),
            (["--verbose", "--quiet"], self.warning("--verbose", "--quiet")),
            (["--quiet", "-v"], self.warning("-v", "--quiet")),
            (["--v", "--q"], self.warning("-v", "-q")),
            # -qq hides the warning, yet the summary comes back
            (["-v", "-qq"], b""),
            (["-vqq"], b""),
        ]
        for args, err in table:
            with self.subTest(args=args):
                self.assertRun(self.tarvok(*args, "x.sfv"), out=detailed, err=err)

    def test_quiet_level_still_hides_messages_after_the_override(self):
        # -v -qqq: the error line stays hidden, the status stays 1.
        self.assertRun(self.tarvok("-v", "-qqq", "nothere.sfv"), status=1)
        self.assertRun(self.tarvok("-v", "-qq", "nothere.sfv"),
                       err=b"tarvok: error: could not find 'nothere.sfv' - does it exist ?\n",
                       status=1)

    def test_more_verbose_with_quiet(self):
        self.assertRun(self.tarvok("-vv", "-q", "x.sfv"),
                       out=b"verify x.sfv\n == : " + crc_column(crc32(b"payload"))
                           + b"a.bin\n.sfv passed (1 file)\n",
                       err=self.warning("-v", "-q"))


if __name__ == "__main__":
    unittest.main()
