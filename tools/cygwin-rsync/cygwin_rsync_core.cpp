#include "cygwin_rsync_core.h"

#include <cctype>
#include <cstdint>
#include <cstdio>

namespace mirvo::cygwin_rsync {
namespace {

constexpr std::string_view kCygdrive = "/cygdrive/";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// rsync compares parameter names without regard to letter case or blanks ("secrets file" and
// "SecretsFile" are the same parameter).
std::string ParameterKey(std::string_view name) {
  std::string key;
  for (char c : name) {
    if (!std::isspace(static_cast<unsigned char>(c))) {
      key.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
  }
  return key;
}

// The parameters whose value is a file or folder. Only these are mapped: a value such as a user
// name or a comment that happens to begin with "/cygdrive/" must reach rsync as written.
bool NamesAPath(const std::string& key) {
  for (std::string_view pathKey : {"path", "secretsfile", "logfile", "pidfile", "lockfile",
                                   "motdfile", "tempdir", "includefrom", "excludefrom"}) {
    if (key == pathKey) return true;
  }
  return false;
}

std::string TranslateLine(std::string_view line, bool keepIds, bool& dropLine) {
  dropLine = false;
  std::size_t first = 0;
  while (first < line.size() && IsBlank(line[first])) ++first;
  if (first == line.size() || line[first] == '#' || line[first] == ';' || line[first] == '[') {
    return std::string(line);
  }
  std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return std::string(line);
  std::string key = ParameterKey(line.substr(0, equals));
  if (!keepIds && (key == "uid" || key == "gid")) {
    dropLine = true;
    return {};
  }
  std::size_t valueStart = equals + 1;
  while (valueStart < line.size() && IsBlank(line[valueStart])) ++valueStart;
  std::string_view value = line.substr(valueStart);
  if (!NamesAPath(key) || !value.starts_with(kCygdrive)) return std::string(line);
  return std::string(line.substr(0, valueStart)) + MapCygwinPath(value);
}

}  // namespace

std::string MapCygwinPath(std::string_view path) {
  if (!path.starts_with(kCygdrive)) return std::string(path);
  std::string_view rest = path.substr(kCygdrive.size());
  if (rest.starts_with("/")) return std::string(rest);
  return "/mnt/" + std::string(rest);
}

std::string MapArgument(std::string_view argument) {
  if (argument.starts_with(kCygdrive)) return MapCygwinPath(argument);
  if (argument.starts_with("-")) {
    std::size_t equals = argument.find('=');
    if (equals != std::string_view::npos) {
      return std::string(argument.substr(0, equals + 1)) +
             MapCygwinPath(argument.substr(equals + 1));
    }
  }
  return std::string(argument);
}

std::string TranslateDaemonConfig(std::string_view config, bool keepIds) {
  std::string translated;
  std::size_t begin = 0;
  while (begin < config.size()) {
    std::size_t newline = config.find('\n', begin);
    std::size_t end = newline == std::string_view::npos ? config.size() : newline + 1;
    std::string_view whole = config.substr(begin, end - begin);
    std::size_t contentLength = whole.size();
    if (whole.ends_with("\r\n")) {
      contentLength -= 2;
    } else if (whole.ends_with("\n")) {
      contentLength -= 1;
    }
    bool dropLine = false;
    std::string line = TranslateLine(whole.substr(0, contentLength), keepIds, dropLine);
    if (!dropLine) translated += line + std::string(whole.substr(contentLength));
    begin = end;
  }
  return translated;
}

std::string TranslatedConfigName(std::string_view configPath) {
  // FNV-1a, 64 bits: stable between runs, unlike std::hash.
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : configPath) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return std::string("rsyncd-") + hex + ".conf";
}

std::string DaemonLogPath(std::string_view privateFolder, std::string_view requested) {
  std::string prefix = std::string(privateFolder) + "/";
  if (requested.starts_with(prefix)) {
    std::string_view name = requested.substr(prefix.size());
    if (!name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos) {
      return std::string(requested);
    }
  }
  return prefix + "rsyncd.log";
}

bool NeedsDaemonLog(const std::vector<std::string>& arguments) {
  bool daemon = false;
  for (const std::string& argument : arguments) {
    if (argument == "--log-file" || argument.starts_with("--log-file=")) return false;
    if (argument == "--daemon") daemon = true;
  }
  return daemon;
}

}  // namespace mirvo::cygwin_rsync
