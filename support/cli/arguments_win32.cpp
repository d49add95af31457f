// Command-line arguments on Windows: the wide command line, as UTF-8.
#include <windows.h>
// shellapi.h needs the types of windows.h.
#include <shellapi.h>

#include <string>
#include <vector>

#include "cli/arguments.h"
#include "text/utf16.h"

namespace dvk::cli::platform {

void useUtf8Arguments(int& argc, char**& argv) {
  int count = 0;
  LPWSTR* const wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return;
  // Held until exit, as the strings of main's own argv are.
  static std::vector<std::string> texts;
  static std::vector<char*> pointers;
  texts.clear();
  for (int i = 0; i < count; ++i) {
    std::wstring_view const argument(wide[i]);
    texts.push_back(utf16ToUtf8(std::u16string(argument.begin(), argument.end())));
  }
  LocalFree(wide);
  pointers.clear();
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);  // argv[argc] is null, as main's is
  argc = count;
  argv = pointers.data();
}

}  // namespace dvk::cli::platform
