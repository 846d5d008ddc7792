#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "foundation/result.h"

namespace mirvo {

// cmd.exe refuses a command longer than this many characters (UTF-16 code units).
inline constexpr std::size_t kLongestInterpreterLine = 8191;

// Text that becomes part of a line of rsyncd.conf or of a secrets file. A control character would
// end the line and start another (CR, LF) or cut it short (NUL): a share name "x]" CR LF "[y"
// would add a module of its own. The error names the field and the character.
Status CheckLineText(std::string_view fieldName, std::string_view text);

// Text that becomes part of an argument of a cmd.exe command line. Refused: control characters
// (cmd.exe ends the command at a line break, and NUL cannot be passed at all), the double quote
// (cmd.exe does not know the \" escape of the program's runtime, so the rest of the line would
// leave its quotes and & or | there would start commands of their own), and a %NAME% pair, which
// cmd.exe would replace by an environment variable's value where one of that name exists.
Status CheckCommandText(std::string_view fieldName, std::string_view text);

// The length of a command line as cmd.exe counts it: UTF-16 code units of the UTF-8 text.
std::size_t InterpreterLength(std::string_view commandLine);

// A command line cmd.exe would refuse as too long is refused here, before anything is written;
// the message asks to shorten longestField, the input that holds the most text.
Status CheckCommandLength(std::string_view commandLine, std::string_view longestField);

// An input as the checks see it: its label as the window shows it, its text, and whether the
// document or command being made uses it at all.
struct InputField {
  std::string_view label;
  std::string_view text;
  bool used = true;
};

// Every used field must be fit for a command argument (CheckCommandText), and the whole line short
// enough for cmd.exe; a line too long names the used field that holds the most text.
Status CheckCommandInputs(std::span<const InputField> fields, std::string_view commandLine);

}  // namespace mirvo
