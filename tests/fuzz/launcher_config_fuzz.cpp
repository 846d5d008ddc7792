// The launcher's translation of any configuration and argument: line ends and every line that is
// no Cygwin path value stay byte for byte, only uid and gid lines may go, and mapped paths carry
// no /cygdrive/ prefix of their own.

#include <cctype>

#include "cygwin_rsync_core.h"
#include "fuzz_support.h"

namespace mirvo::fuzz {
namespace {

using cygwin_rsync::MapArgument;
using cygwin_rsync::MapCygwinPath;
using cygwin_rsync::TranslateDaemonConfig;

// Each line with its own end ("\n", "\r\n" or none at the very end).
std::vector<std::string> LinesWithEnds(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = std::min(text.find('\n', begin), text.size() - 1) + 1;
    lines.emplace_back(text.substr(begin, end - begin));
    begin = end;
  }
  return lines;
}

// "uid", " UID ", "u i d": rsync reads parameter names without case or blanks.
bool NamesUidOrGid(std::string_view line) {
  std::size_t first = line.find_first_not_of(" \t");
  if (first == std::string_view::npos) return false;
  if (line[first] == '#' || line[first] == ';' || line[first] == '[') return false;
  std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  std::string key;
  for (char c : line.substr(0, equals)) {
    if (!std::isspace(static_cast<unsigned char>(c))) {
      key.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
  }
  return key == "uid" || key == "gid";
}

void CheckConfig(std::string_view config) {
  const std::vector<std::string> original = LinesWithEnds(config);
  for (bool keepIds : {true, false}) {
    const std::vector<std::string> translated =
        LinesWithEnds(TranslateDaemonConfig(config, keepIds));
    std::size_t at = 0;
    for (const std::string& line : original) {
      if (!keepIds && NamesUidOrGid(line)) continue;  // left out
      FUZZ_CHECK(at < translated.size(), "line " + Visible(line) + " lost from " + Visible(config));
      const std::string& out = translated[at++];
      if (out == line) continue;
      // Only a line holding a Cygwin path changes, and it keeps its name, "=" and line end.
      FUZZ_CHECK(line.find("/cygdrive/") != std::string::npos,
                 Visible(line) + " became " + Visible(out));
      std::size_t equals = line.find('=');
      FUZZ_CHECK(
          equals != std::string::npos && out.substr(0, equals + 1) == line.substr(0, equals + 1),
          Visible(line) + " became " + Visible(out));
      FUZZ_CHECK(out.back() == line.back(), Visible(line) + " became " + Visible(out));
    }
    FUZZ_CHECK(at == translated.size(), "lines added to " + Visible(config));
  }
}

void CheckArgument(std::string_view argument) {
  const std::string mapped = MapArgument(argument);
  if (argument.find("/cygdrive/") == std::string_view::npos) {
    FUZZ_CHECK(mapped == argument, Visible(argument) + " became " + Visible(mapped));
  }
  const std::string path = MapCygwinPath(argument);
  if (argument.starts_with("/cygdrive/")) {
    std::string_view rest = argument.substr(10);
    std::string want = rest.starts_with("/") ? std::string(rest) : "/mnt/" + std::string(rest);
    FUZZ_CHECK(path == want, Visible(argument) + " became " + Visible(path));
  } else {
    FUZZ_CHECK(path == argument, Visible(argument) + " became " + Visible(path));
  }
  const std::string name = cygwin_rsync::TranslatedConfigName(argument);
  FUZZ_CHECK(name.size() == 28 && name.starts_with("rsyncd-") && name.ends_with(".conf") &&
                 name.find_first_not_of("0123456789abcdef", 7) == 23,
             name);
}

}  // namespace
}  // namespace mirvo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  mirvo::fuzz::CheckConfig(input);
  mirvo::fuzz::CheckArgument(input);
  return 0;
}
