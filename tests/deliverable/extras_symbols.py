"""Checks which support-library extras a binary carries, by its symbol table.

usage: extras_symbols.py NM (absent|present) FILE...

absent:  fails when any extras symbol appears in the files (the Linux program).
present: fails when some extras symbol is defined in none of the files (a
         program built with the extras), so that the patterns below are
         known to match real names and "absent" cannot pass by mistake.
"""
import re
import subprocess
import sys

# Demangled names (nm -C) of every extras function and object.
EXTRAS = [
    r"dvk::verifyFileForRead\(",
    r"dvk::readFileAndProcess\(",
    r"dvk::loadStdin\(",
    r"dvk::readStdinAndProcess\(",
    r"dvk::openForWrite\([^)]*basic_fstream",
    r"dvk::writeFile\(",
    r"dvk::realPath\(",
    r"dvk::pathResolves\(",
    r"dvk::exists\(char const\*\)",
    r"dvk::isDirectory\(char const\*\)",
    r"dvk::isRegularFile\(",
    r"dvk::platform::resolvePath\(",
    r"dvk::stdinName\b",
    r"dvk::readU8\(",
    r"dvk::readU16\(",
    r"dvk::readSyncsafe32\(",
    r"dvk::crc32Update\(",
    r"dvk::toUpper\(",
    r"dvk::toUpperInPlace\(",
    r"dvk::trimLeft\(",
    r"dvk::trimRight\(",
    r"dvk::trim\(",
    r"dvk::split\(",
    r"dvk::splitWorker\(",
    r"dvk::nextLine\(",
    r"dvk::nextLineView\(",
    r"dvk::splitLineViews\(",
    r"dvk::replaceAll\(",
    r"dvk::expandMarkers\(",
    r"dvk::formatSize\(",
    r"dvk::hexToBytes\(",
    r"dvk::toString\(",
    r"dvk::wildcardMatch\(",
    r"dvk::joinPath\(",
    r"dvk::con::fatal\(",
    r"dvk::con::warning\(std::function",
    r"dvk::con::isTerminal\(std::basic_ios",
    r"dvk::con::stubTrue\(",
    r"dvk::con::stubFalse\(",
    r"dvk::con::dumpLines\(",
    r"dvk::con::dumpLineViews\(",
    r"dvk::con::Console::setState\(",
    r"dvk::con::Console::attributesOff\(",
    r"dvk::con::Console::highlightOff\(",
    r"dvk::con::Console::highlightOn\(",
    r"dvk::con::Console::stubTrue\(",
    r"dvk::con::Console::stubFalse\(",
    r"dvk::con::Console::terminalSize\(",
    r"dvk::con::Console::setTitle\(",
    r"dvk::cli::parser_t::addCommand\(",
    r"dvk::cli::parser_t::printCommandUsage\(",
    r"dvk::cli::parser_t::chosenCommand\(",
    r"dvk::cli::option_t::choice\(",
    r"dvk::cli::option_t::choices\(",
    r"dvk::cli::option_t::required\(",
    r"dvk::cli::option_t::optional\(",
    r"dvk::cli::option_t::defaultsTo\(",
    r"dvk::cli::option_t::hasValues\(",
]

# "address type name" or "type name" for undefined ones; archive member
# headers and blank lines carry no symbol.
SYMBOL_LINE = re.compile(r"^(?:[0-9a-fA-F]+\s+)?([A-Za-z?-])\s+(.*)$")


def symbols(nm, path):
    result = subprocess.run([nm, "-C", path], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"{nm} failed on {path}: {result.stderr.strip()}")
    for line in result.stdout.splitlines():
        match = SYMBOL_LINE.match(line.strip())
        if match:
            # ABI tags ("[abi:cxx11]") sit between a name and its parameters.
            yield match.group(1), re.sub(r"\[abi:\w+\]", "", match.group(2))


def main(argv):
    if len(argv) < 4 or argv[2] not in ("absent", "present"):
        sys.exit(__doc__)
    nm, mode, files = argv[1], argv[2], argv[3:]
    patterns = [re.compile(p) for p in EXTRAS]
    found = {p.pattern: [] for p in patterns}
    for path in files:
        for kind, name in symbols(nm, path):
            if mode == "present" and kind == "U":
                continue
            for pattern in patterns:
                if pattern.search(name):
                    found[pattern.pattern].append(f"{path}: {kind} {name}")
    if mode == "absent":
        hits = [hit for hits in found.values() for hit in hits]
        for hit in hits:
            print("extras symbol present:", hit)
        return 1 if hits else 0
    missing = [pattern for pattern, hits in found.items() if not hits]
    for pattern in missing:
        print("no defined symbol matches:", pattern)
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
