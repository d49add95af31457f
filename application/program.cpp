// The program's identity and its process-wide objects. They are all defined
// in this one file so that the language's in-file order fixes the order in
// which start-up builds them: identity, the switch of the standard streams
// off stdio, the console, the root parser, the options, the CRC cache.
#include "program.h"

#include <iomanip>
#include <iostream>
#include <map>

#include "deliverable.h"
#include "known_files.h"

namespace app {

const std::string programName = "tarvok";
const std::string version = "1.0.0";
const std::string years = "2025-2026";
const std::string credits = "Orvane/Zandrik: coding";
const std::string revision = "$Rev: 454 $";
const std::string changeDate = "$LastChangedDate: 2025-02-28 19:12:48 -0500 (Fri, 28 Feb 2025) $";
const std::string architecture = deliverable::architecture;
const std::string platform = architecture + deliverable::platformSuffix;

}  // namespace app

namespace {

// Standard output is written in blocks; standard error stays tied to it so
// that a message still shows after the output written before it.
const bool streamsOffStdio = [] {
  std::ios_base::sync_with_stdio(false);
  std::cin.tie(nullptr);
  return true;
}();

}  // namespace

namespace app {

dvk::con::Console console;

dvk::cli::parser_t rootParser;

dvk::cli::option_t optVerbose =
    dvk::cli::option_t('v', "verbose", "verbose (-v) and more verbose (-vv) output").repeatable();
dvk::cli::option_t optQuiet =
    dvk::cli::option_t('q', "quiet", "omit normal output (-q), warnings (-qq) and errors (-qqq)").repeatable();
dvk::cli::option_t optVersion = dvk::cli::option_t(0, "version", "show version and credits, then exit").noPending();
dvk::cli::option_t optHelp = dvk::cli::option_t('?', "help", "show this help text, then exit").noPending();
dvk::cli::option_t optWarranty =
    dvk::cli::option_t(0, "warranty", "show disclaimer of warranty, then exit").hidden().noPending();
dvk::cli::option_t optDebug = dvk::cli::option_t(0, "debug", "").argument("D", dvk::cli::integer).hidden();
dvk::cli::option_t optSfv = dvk::cli::option_t(0, "sfv", "only verify against a discovered .sfv");
dvk::cli::option_t optSrr = dvk::cli::option_t(0, "srr", "only verify against a discovered .srr");
dvk::cli::option_t optExtract = dvk::cli::option_t('x', "extract", "extract missing or incorrect files from a .srr");

std::map<dvk::file_id_t, known_file_t> crcCache;

void setupOptions() {
  for (dvk::cli::option_t* option :
       {&optSfv, &optSrr, &optExtract, &optVerbose, &optQuiet, &optVersion, &optHelp, &optWarranty, &optDebug}) {
    rootParser.add(*option);
  }
  rootParser.name = programName;
  rootParser.setUsage(
      "\n[options...] [FILE]...\n\n  > tarvok verifies file presence and checksums against .sfv/.srr FILEs.\n");
}

std::string title() { return programName + " v" + version; }

void printVersion(std::ostream& out) {
  // "$Rev: 454 $" -> "454"; "$LastChangedDate: 2025-02-28 19:12:48 -0500 (...) $"
  // -> "2025-02-28 19:12:48". A missing delimiter gives the rest of the string.
  auto const revEnd = revision.rfind(' ');
  std::string const revisionNumber =
      revision.substr(6, revEnd == std::string::npos || revEnd < 6 ? std::string::npos : revEnd - 6);
  auto const dateEnd = changeDate.rfind('-');
  std::string const changeStamp =
      changeDate.substr(18, dateEnd == std::string::npos || dateEnd < 19 ? std::string::npos : dateEnd - 19);

  out << title() << " [r" << revisionNumber << "; " << changeStamp << "]; (c) " << years << "\n";
  out << std::right << std::setfill(' ') << std::setw(static_cast<int>(title().size())) << " ";
  out << " built: " << __DATE__ << " " << __TIME__ << " for: " << platform << "\n\n";
}

const char* const warrantyText =
    " - THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR\n"
    " - IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY,\n"
    " - FITNESS FOR A PARTICULAR PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL\n"
    " - THE AUTHORS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER LIABILITY, WHETHER\n"
    " - IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING FROM, OUT OF OR IN\n"
    " - CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER DEALINGS IN THE SOFTWARE.";

}  // namespace app
