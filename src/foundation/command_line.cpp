#include "foundation/command_line.h"

#include <algorithm>

namespace mirvo {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsInterpreterSpecial(char c) {
  return std::string_view("&<>()@^|").find(c) != std::string_view::npos;
}

// Where the two quotes of a text that starts with a quote and holds exactly two lie, or npos.
std::size_t SecondQuoteOfExactlyTwo(std::string_view rest) {
  if (rest.empty() || rest.front() != '"') return std::string_view::npos;
  if (std::count(rest.begin(), rest.end(), '"') != 2) return std::string_view::npos;
  return rest.find('"', 1);
}

bool QuotedPartIsPlain(std::string_view quoted) {
  return std::any_of(quoted.begin(), quoted.end(), IsBlank) &&
         std::none_of(quoted.begin(), quoted.end(), IsInterpreterSpecial);
}

std::string DropFirstAndLastQuote(std::string_view rest) {
  std::string text(rest.substr(1));
  std::size_t last = text.rfind('"');
  if (last != std::string::npos) text.erase(last, 1);
  return text;
}

}  // namespace

bool NeedsQuoting(std::string_view argument) {
  return argument.find_first_of(" \t\"&|<>^()") != std::string_view::npos;
}

std::string QuoteArgument(std::string_view argument) {
  // An empty argument left bare would vanish between the blanks around it.
  if (argument.empty()) return "\"\"";
  if (!NeedsQuoting(argument)) return std::string(argument);
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      quoted.append(backslashes * 2 + 1, '\\');
    } else {
      quoted.append(backslashes, '\\');
    }
    backslashes = 0;
    quoted.push_back(c);
  }
  // Backslashes before the closing quote are doubled so that they do not escape it.
  quoted.append(backslashes * 2, '\\');
  quoted.push_back('"');
  return quoted;
}

std::string InterpreterLine(std::string_view interpreterSwitch, std::string_view rest) {
  std::string line = "cmd.exe ";
  line.append(interpreterSwitch);
  line.push_back(' ');
  // cmd.exe applies its rule from the first non-blank character after the switch.
  std::string_view text = rest.substr(std::min(rest.find_first_not_of(" \t"), rest.size()));
  bool keptAsIs = true;
  if (!text.empty() && text.front() == '"') {
    std::size_t second = SecondQuoteOfExactlyTwo(text);
    keptAsIs = second != std::string_view::npos && QuotedPartIsPlain(text.substr(1, second - 1));
  }
  if (keptAsIs) {
    line.append(rest);
  } else {
    line.push_back('"');
    line.append(text);
    line.push_back('"');
  }
  return line;
}

std::string ApplyInterpreterQuoteRule(std::string_view rest,
                                      const std::function<bool(std::string_view)>& programExists) {
  if (rest.empty() || rest.front() != '"') return std::string(rest);
  std::size_t second = SecondQuoteOfExactlyTwo(rest);
  if (second != std::string_view::npos) {
    std::string_view quoted = rest.substr(1, second - 1);
    if (QuotedPartIsPlain(quoted) && programExists(quoted)) return std::string(rest);
  }
  return DropFirstAndLastQuote(rest);
}

std::vector<std::string> SplitWindowsArguments(std::string_view commandLine) {
  std::vector<std::string> arguments;
  std::size_t i = 0;
  const std::size_t n = commandLine.size();
  while (true) {
    while (i < n && IsBlank(commandLine[i])) ++i;
    if (i >= n) break;
    std::string argument;
    bool inQuotes = false;
    while (i < n && (inQuotes || !IsBlank(commandLine[i]))) {
      char c = commandLine[i];
      if (c == '\\') {
        std::size_t run = 0;
        while (i < n && commandLine[i] == '\\') {
          ++run;
          ++i;
        }
        if (i < n && commandLine[i] == '"') {
          argument.append(run / 2, '\\');
          if (run % 2 == 1) {
            argument.push_back('"');
            ++i;
          }
        } else {
          argument.append(run, '\\');
        }
        continue;
      }
      if (c == '"') {
        if (inQuotes && i + 1 < n && commandLine[i + 1] == '"') {
          // "" inside quotes is one literal quote (the rule of current C runtimes).
          argument.push_back('"');
          i += 2;
          continue;
        }
        inQuotes = !inQuotes;
        ++i;
        continue;
      }
      argument.push_back(c);
      ++i;
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

}  // namespace mirvo
