#include "foundation/posix/interpreter_line.h"

#include <algorithm>
#include <cctype>

#include "foundation/command_line.h"

namespace mirvo {
namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::string Slashes(std::string_view word) {
  std::string path(word);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::optional<std::string> BareOrExe(const std::string& path, const FileLookup& fileExists) {
  if (fileExists(path)) return path;
  if (fileExists(path + ".exe")) return path + ".exe";
  return std::nullopt;
}

}  // namespace

Result<InterpreterCommand> ParseInterpreterLine(
    std::string_view commandLine, const std::function<bool(std::string_view)>& programExists) {
  std::string_view rest = commandLine;
  auto takeWord = [&rest]() {
    std::size_t start = rest.find_first_not_of(" \t");
    if (start == std::string_view::npos) start = rest.size();
    rest.remove_prefix(start);
    std::size_t end = std::min(rest.find_first_of(" \t"), rest.size());
    std::string word(rest.substr(0, end));
    rest.remove_prefix(end);
    return word;
  };
  std::string interpreter = Lower(takeWord());
  std::string interpreterSwitch = Lower(takeWord());
  if (interpreter != "cmd.exe" && interpreter != "cmd") {
    return Error{"无法执行命令“" + std::string(commandLine) + "”：只支持 cmd.exe /c 或 cmd.exe /k"};
  }
  if (interpreterSwitch != "/c" && interpreterSwitch != "/k") {
    return Error{"无法执行命令“" + std::string(commandLine) + "”：cmd.exe 后面必须是 /c 或 /k"};
  }
  // cmd.exe starts the text after the switch at its first non-blank character.
  std::size_t start = rest.find_first_not_of(" \t");
  rest.remove_prefix(start == std::string_view::npos ? rest.size() : start);

  InterpreterCommand command;
  command.keepOpen = interpreterSwitch == "/k";
  std::string kept = ApplyInterpreterQuoteRule(rest, programExists);
  command.words = SplitWindowsArguments(kept);
  if (command.words.empty() || command.words.front().empty()) {
    return Error{"无法执行命令“" + std::string(commandLine) + "”：没有要运行的程序"};
  }
  return command;
}

std::optional<std::string> ResolveProgram(std::string_view word, std::string_view searchPath,
                                          const FileLookup& fileExists) {
  std::string path = Slashes(word);
  if (path.empty()) return std::nullopt;
  if (path.find('/') != std::string::npos) return BareOrExe(path, fileExists);
  std::size_t begin = 0;
  while (begin <= searchPath.size()) {
    std::size_t end = std::min(searchPath.find(':', begin), searchPath.size());
    std::string folder(searchPath.substr(begin, end - begin));
    if (folder.empty()) folder = ".";
    if (auto found = BareOrExe(folder + "/" + path, fileExists)) return found;
    begin = end + 1;
  }
  return std::nullopt;
}

bool IsTaskkill(const std::vector<std::string>& words) {
  if (words.empty()) return false;
  std::string program = Lower(words.front());
  return program == "taskkill" || program == "taskkill.exe";
}

Result<TaskkillRequest> ParseTaskkill(const std::vector<std::string>& words) {
  TaskkillRequest request;
  bool named = false;
  for (std::size_t i = 1; i < words.size(); ++i) {
    std::string word = Lower(words[i]);
    if (word == "/f") {
      request.force = true;
    } else if (word == "/im" && i + 1 < words.size()) {
      request.imageName = words[++i];
      named = true;
    } else {
      return Error{"taskkill：不支持的参数“" + words[i] + "”（只支持 /F 和 /im 映像名称）"};
    }
  }
  if (!named || request.imageName.empty()) {
    return Error{"taskkill：缺少 /im 映像名称"};
  }
  return request;
}

}  // namespace mirvo
