// The Windows command-line rules against each other: a quoted argument splits back whole, the
// splitter agrees with a plain blank split where there is no quote, and cmd.exe's quote rule
// undoes exactly what InterpreterLine adds.

#include "command_checks.h"

namespace mirvo::fuzz {
namespace {

std::vector<std::string> BlankSplit(std::string_view text) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    std::size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
    if (i > start) words.emplace_back(text.substr(start, i - start));
  }
  return words;
}

std::string QuotedLine(const std::vector<std::string>& arguments) {
  std::string line = "prog";
  for (const std::string& argument : arguments) line += " " + QuoteArgument(argument);
  return line;
}

void CheckQuotingRoundTrip(std::string_view input) {
  // Each input line is one argument, empty ones included.
  std::vector<std::string> arguments;
  std::size_t begin = 0;
  while (begin <= input.size()) {
    std::size_t end = std::min(input.find('\n', begin), input.size());
    arguments.emplace_back(input.substr(begin, end - begin));
    begin = end + 1;
  }
  std::vector<std::string> split = SplitWindowsArguments(QuotedLine(arguments));
  std::vector<std::string> expected = {"prog"};
  expected.insert(expected.end(), arguments.begin(), arguments.end());
  FUZZ_CHECK(split == expected,
             "quoted " + JoinVisible(arguments) + "split into " + JoinVisible(split));
}

void CheckSplitting(std::string_view line) {
  std::vector<std::string> words = SplitWindowsArguments(line);
  if (line.find('"') == std::string_view::npos) {
    std::vector<std::string> plain = BlankSplit(line);
    // Without quotes a backslash is an ordinary character, so blanks alone decide.
    FUZZ_CHECK(words == plain, Visible(line) + " split into " + JoinVisible(words));
  }
  std::vector<std::string> again = SplitWindowsArguments(QuotedLine(words));
  again.erase(again.begin());
  FUZZ_CHECK(again == words, Visible(line) + " did not survive quoting: " + JoinVisible(again));
}

// What InterpreterLine builds, cmd.exe takes apart again into the words rest holds.
void CheckInterpreterLine(std::string_view rest) {
  std::vector<std::string> direct = SplitWindowsArguments(rest);
  const std::string line = InterpreterLine("/c", rest);
  auto exists = [](std::string_view) { return true; };
  Result<InterpreterCommand> parsed = ParseInterpreterLine(line, exists);
  if (direct.empty() || direct.front().empty()) {
    FUZZ_CHECK(!parsed.ok(), "no program, yet " + Visible(line) + " was accepted");
    return;
  }
  FUZZ_CHECK(parsed.ok(), Visible(line) + " was refused");
  FUZZ_CHECK(parsed.value().words == direct, Visible(line) + " gave " +
                                                 JoinVisible(parsed.value().words) + "instead of " +
                                                 JoinVisible(direct));
}

}  // namespace
}  // namespace mirvo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  mirvo::fuzz::CheckQuotingRoundTrip(input);
  mirvo::fuzz::CheckSplitting(input);
  mirvo::fuzz::CheckInterpreterLine(input);
  return 0;
}
