"""The end-to-end cases as CTest entries, one entry per case.

  ctest_cases.py list MODULE...    prints the id of every case, one a line
  ctest_cases.py invoked FILE      learns the program's invoked name into FILE
  ctest_cases.py run FILE ID       runs one case, with the name from FILE if any;
                                   status 0 passed, 1 failed, 77 skipped

Under an emulator the invoked name costs a run of the program; learning it
once for the whole test run spares that run in every case.
"""

import os
import pathlib
import sys
import unittest

HERE = pathlib.Path(__file__).resolve().parent
SKIPPED = 77


class _Result(unittest.TextTestResult):
    """Also counts the sub-tests that passed: a case is skipped only when
    nothing of it ran."""

    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.subtests_passed = 0

    def addSubTest(self, test, subtest, err):
        super().addSubTest(test, subtest, err)
        if err is None:
            self.subtests_passed += 1


def _cases(suite):
    for test in suite:
        if isinstance(test, unittest.TestSuite):
            yield from _cases(test)
        else:
            yield test


def list_cases(modules):
    """Every case id of modules; a module that does not load is listed whole,
    so that its entry fails and shows why."""
    status = 0
    for module in modules:
        suite = unittest.defaultTestLoader.loadTestsFromName(module)
        if unittest.defaultTestLoader.errors:
            unittest.defaultTestLoader.errors.clear()
            print("%s: cannot be loaded; registered whole" % module, file=sys.stderr)
            print(module)
            status = 1
            continue
        for case in _cases(suite):
            print(case.id())
    return status


def learn_invoked(path):
    import harness

    # Written beside and renamed: a case never reads half a name.
    target = pathlib.Path(path)
    target.parent.mkdir(parents=True, exist_ok=True)
    partial = target.with_name(target.name + ".partial")
    partial.write_text(harness.invoked_name(), encoding="utf-8", errors="surrogateescape")
    os.replace(partial, target)
    return 0


def run_case(path, case_id):
    learned = pathlib.Path(path)
    if learned.is_file():
        os.environ["TARVOK_INVOKED"] = learned.read_text(encoding="utf-8", errors="surrogateescape")
    suite = unittest.defaultTestLoader.loadTestsFromName(case_id)
    result = unittest.TextTestRunner(verbosity=2, resultclass=_Result).run(suite)
    if not result.wasSuccessful():
        return 1
    return SKIPPED if result.skipped and result.subtests_passed == 0 else 0


def main(argv):
    sys.path.insert(0, str(HERE))
    if len(argv) >= 2 and argv[1] == "list":
        return list_cases(argv[2:])
    if len(argv) == 3 and argv[1] == "invoked":
        return learn_invoked(argv[2])
    if len(argv) == 4 and argv[1] == "run":
        return run_case(argv[2], argv[3])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
