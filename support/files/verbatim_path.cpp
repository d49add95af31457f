// The verbatim spelling of a name for the Windows file calls, on the text.
#include "files/verbatim_path.h"

#include <cstddef>
#include <vector>

#include "files/path_rules.h"
#include "text/utf16.h"

namespace dvk {

namespace {

constexpr std::u16string_view verbatimPrefix = u"\\\\?\\";
constexpr std::u16string_view uncPrefix = u"\\\\?\\UNC\\";
constexpr std::u16string_view devicePrefix = u"\\\\.\\";

bool isSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

bool isAsciiLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

bool startsWithDrive(std::u16string_view text) { return text.size() >= 2 && isAsciiLetter(text[0]) && text[1] == u':'; }

bool startsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The parts of a path after its root, with "." and ".." taken out on the text.
struct parts_t {
  std::vector<std::u16string_view> names;
  bool endsAsFolder = false;  // the last part was empty, "." or ".."

  void add(std::u16string_view text) {
    std::size_t begin = 0;
    while (begin <= text.size()) {
      std::size_t end = begin;
      while (end < text.size() && !isSeparator(text[end])) ++end;
      std::u16string_view const part = text.substr(begin, end - begin);
      endsAsFolder = part.empty() || part == u"." || part == u"..";
      if (part == u"..") {
        if (!names.empty()) names.pop_back();
      } else if (!endsAsFolder) {
        names.push_back(part);
      }
      begin = end + 1;
    }
  }
};

// The first n parts of text, split at separators, with the separator after
// the last of them: the length of a share root "server\share\" (n = 2) or of
// a verbatim root "C:\" (n = 1). 0 when text has fewer non-empty parts.
std::size_t leadingParts(std::u16string_view text, int n) {
  std::size_t pos = 0;
  for (int i = 0; i < n; ++i) {
    std::size_t const begin = pos;
    while (pos < text.size() && !isSeparator(text[pos])) ++pos;
    if (pos == begin) return 0;
    if (pos < text.size()) ++pos;
  }
  return pos;
}

// The share root "\\?\UNC\server\share\" of text that begins with
// "server\share"; false without both.
bool splitShare(std::u16string_view text, std::u16string& root, std::u16string_view& rest) {
  std::size_t const length = leadingParts(text, 2);
  if (length == 0) return false;
  root = std::u16string(uncPrefix) + std::u16string(text.substr(0, length));
  if (root.back() != u'\\') root += u'\\';
  rest = text.substr(length);
  return true;
}

// The drive root "\\?\C:\" of text that begins with "C:", alone or with a
// separator after it; false otherwise.
bool splitDrive(std::u16string_view text, std::u16string& root, std::u16string_view& rest) {
  if (!startsWithDrive(text) || (text.size() > 2 && !isSeparator(text[2]))) return false;
  root = std::u16string(verbatimPrefix) + std::u16string(text.substr(0, 2)) + u'\\';
  rest = text.substr(2);
  return true;
}

// The current directory split into its root, in verbatim form and ending in
// "\", and the rest; false when it is on neither a drive nor a share.
bool splitDirectory(std::u16string_view directory, std::u16string& root, std::u16string_view& rest) {
  if (startsWith(directory, uncPrefix)) return splitShare(directory.substr(uncPrefix.size()), root, rest);
  if (startsWith(directory, verbatimPrefix)) return splitDrive(directory.substr(verbatimPrefix.size()), root, rest);
  if (directory.size() >= 2 && isSeparator(directory[0]) && isSeparator(directory[1])) {
    directory.remove_prefix(2);
    // "\\.\C:\dir" and the like are in the device namespace, on no share.
    if (directory.size() >= 2 && (directory[0] == u'.' || directory[0] == u'?') && isSeparator(directory[1])) {
      return false;
    }
    return splitShare(directory, root, rest);
  }
  return splitDrive(directory, root, rest);
}

}  // namespace

std::optional<std::u16string> verbatimPath(std::u16string_view currentDirectory, std::string const& name) {
  if (name.empty() || hasNulByte(name) || beginsWithTwoSeparators(name)) return std::nullopt;
  std::optional<std::u16string> const wide = utf8ToUtf16(name);
  if (!wide) return std::nullopt;
  std::u16string_view relative = *wide;

  std::u16string root;
  parts_t parts;
  std::u16string_view rest;
  if (startsWithDrive(relative)) {
    // "C:x" and "C:" lean on the drive's own current directory.
    if (relative.size() == 2 || !isSeparator(relative[2])) return std::nullopt;
    splitDrive(relative, root, rest);
    relative = rest;
  } else {
    if (!splitDirectory(currentDirectory, root, rest)) return std::nullopt;
    if (!isSeparator(relative[0])) parts.add(rest);
  }
  parts.add(relative);

  std::u16string path = root;
  for (std::u16string_view const part : parts.names) {
    path += part;
    path += u'\\';
  }
  if (!parts.names.empty() && !parts.endsAsFolder) path.pop_back();
  return path;
}

std::optional<std::u16string> verbatimOfFullPath(std::u16string_view fullPath) {
  // "\\.\" names what "\\?\" names; only Win32's rewriting of the rest differs.
  if (startsWith(fullPath, verbatimPrefix) || startsWith(fullPath, devicePrefix)) {
    if (fullPath.size() == verbatimPrefix.size()) return std::nullopt;
    return std::u16string(verbatimPrefix) + std::u16string(fullPath.substr(verbatimPrefix.size()));
  }
  if (startsWith(fullPath, u"\\\\")) {
    std::u16string_view const share = fullPath.substr(2);
    if (leadingParts(share, 2) == 0) return std::nullopt;
    return std::u16string(uncPrefix) + std::u16string(share);
  }
  if (!startsWithDrive(fullPath) || fullPath.size() < 3 || fullPath[2] != u'\\') return std::nullopt;
  return std::u16string(verbatimPrefix) + std::u16string(fullPath);
}

}  // namespace dvk
