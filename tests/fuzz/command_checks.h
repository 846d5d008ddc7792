#pragma once

// What every command line we start must give: the words the program receives (split the way
// cmd.exe and the program's runtime split them) and no operator that cmd.exe would act on.

#include <string>
#include <string_view>
#include <vector>

#include "foundation/command_line.h"
#include "foundation/posix/interpreter_line.h"
#include "fuzz_support.h"

namespace mirvo::fuzz {

inline std::string JoinVisible(const std::vector<std::string>& words) {
  std::string shown;
  for (const std::string& word : words) shown += Visible(word) + " ";
  return shown;
}

// The words of the line as the Linux build runs it; program is the first word's intended text,
// the one program that exists.
inline std::vector<std::string> WordsAsRun(const std::string& line, const std::string& program) {
  auto exists = [&program](std::string_view quoted) { return quoted == program; };
  Result<InterpreterCommand> parsed = ParseInterpreterLine(line, exists);
  FUZZ_CHECK(parsed.ok(), "line " + Visible(line) + " was refused: " +
                              (parsed.ok() ? std::string() : parsed.error().message));
  return parsed.value().words;
}

// cmd.exe reads the text after its switch before the program's runtime does: it toggles a quoted
// state at every double quote (a backslash does not escape one) and acts on & | < > and ^ outside
// quotes. None of them may be left where it would act, whatever the inputs hold.
inline void CheckNoInterpreterOperator(const std::string& line, const std::string& program) {
  std::string_view rest = line;
  rest.remove_prefix(std::string_view("cmd.exe /c ").size());
  auto exists = [&program](std::string_view quoted) { return quoted == program; };
  std::string seen = ApplyInterpreterQuoteRule(rest, exists);
  bool quoted = false;
  for (std::size_t i = 0; i < seen.size(); ++i) {
    char c = seen[i];
    if (c == '"') quoted = !quoted;
    bool isOperator = std::string_view("&|<>^").find(c) != std::string_view::npos;
    FUZZ_CHECK(quoted || !isOperator, "cmd.exe would act on " + std::string(1, c) + " at offset " +
                                          std::to_string(i) + " of " + Visible(seen));
  }
}

// Every literal occurs in text, one after the other, in this order.
inline void CheckLiteralsInOrder(const std::string& text,
                                 const std::vector<std::string_view>& literals) {
  std::size_t from = 0;
  for (std::string_view literal : literals) {
    std::size_t at = text.find(literal, from);
    FUZZ_CHECK(at != std::string::npos,
               "literal " + Visible(literal) + " missing or out of order in " + Visible(text));
    from = at + literal.size();
  }
}

inline bool AnyNeedsQuoting(const std::vector<std::string>& words) {
  for (const std::string& word : words) {
    if (NeedsQuoting(word)) return true;
  }
  return false;
}

}  // namespace mirvo::fuzz
