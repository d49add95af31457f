// The program's entry: parses the command line and serves help, a command-line
// error, the version, the warranty or the verification run, in that order.
#include <iostream>

#include "cli/arguments.h"
#include "console/console.h"
#include "finish.h"
#include "program.h"
#include "run.h"

int main(int argc, char** argv) {
  dvk::con::initLocale();
  app::console.attach();
  app::setupOptions();
  dvk::cli::platform::useUtf8Arguments(argc, argv);
  app::rootParser.parse(argc, argv);

  // Help is served even when the rest of the command line is wrong.
  if (app::optHelp.isSet()) {
    app::rootParser.printUsage(std::cout);
    if (app::optDebug.isSet()) {
      dvk::con::printTerminalInfo(app::console, std::cout);
    }
    app::rootParser.printHelp(std::cout);
    return app::finish(0);
  }

  dvk::con::setProgramName(app::programName);
  dvk::con::setQuiet(app::optQuiet.count);
  unsigned const quietDefault = app::optQuiet.count == 0 ? 1u : 0u;
  dvk::con::setVerbose(app::optVerbose.isSet() ? app::optVerbose.count + 1u : quietDefault);

  std::string const errors = app::rootParser.errorText();
  if (!errors.empty()) {
    // Fatal: shown at every quiet level.
    dvk::con::reportLines(static_cast<unsigned>(dvk::con::level_t::fatal), errors);
    app::rootParser.printTryHelp(std::cerr);
    return app::finish(1);
  }

  if (app::optVersion.isSet()) {
    app::printVersion(std::cout);
    std::cout << "Credits\n - " << app::credits << "\n";
    return app::finish(0);
  }

  if (app::optWarranty.isSet()) {
    std::cout << "Disclaimer of Warranty\n" << app::warrantyText << "\n";
    return app::finish(0);
  }

  // -v wins: the summaries come back, while messages stay hidden at the
  // quiet level given.
  if (app::optQuiet.isSet() && app::optVerbose.isSet()) {
    dvk::con::warning("verbose mode (" + app::optVerbose.typedName() + ") overrides quiet mode (" +
                      app::optQuiet.typedName() + ").");
    app::optQuiet.reset();
  }

  return app::finish(run(app::console));
}
