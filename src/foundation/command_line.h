#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mirvo {

// Command lines follow the Windows conventions on both builds: arguments are split the way
// CommandLineToArgvW splits them, and cmd.exe treats the quotes of the text after /c or /k in its
// own way. These functions are the one place that knows those rules.

// True when an argument must be quoted to reach the program whole: it holds a space, a tab, or one
// of " & | < > ^ ( ) that would split it or that cmd.exe would read as an operator.
bool NeedsQuoting(std::string_view argument);

// The argument as it must stand in a command line: unchanged when it needs no quoting, else in
// double quotes with embedded quotes (and the backslashes before them) escaped.
std::string QuoteArgument(std::string_view argument);

// "cmd.exe " + interpreterSwitch + " " + rest, with one extra pair of quotes around rest exactly
// when cmd.exe would otherwise drop rest's first and last quote.
std::string InterpreterLine(std::string_view interpreterSwitch, std::string_view rest);

// cmd.exe's rule for the text after /c or /k: when it starts with a quote, the quotes are kept only
// if there are exactly two, nothing special (& < > ( ) @ ^ |) stands between them, at least one
// space or tab does, and the quoted text names an existing program; otherwise the first and the
// last quote are dropped.
std::string ApplyInterpreterQuoteRule(std::string_view rest,
                                      const std::function<bool(std::string_view)>& programExists);

// Splits a command line into arguments as CommandLineToArgvW does: spaces and tabs separate, runs
// of them count as one, double quotes group, and backslashes escape only before a quote.
std::vector<std::string> SplitWindowsArguments(std::string_view commandLine);

}  // namespace mirvo
