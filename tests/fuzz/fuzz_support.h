#pragma once

// Shared by the fuzz targets: carving one input into the fields of a settings record, and a check
// that stops the run with a readable account of the input that broke a property.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace mirvo::fuzz {

// The input as text lines: the first line holds the flags ('1' is true, anything else false), each
// further line one text field, in the order the target names them. Missing lines are empty, so
// every input is usable. A field never holds "\n", as a single-line input box cannot.
class Fields {
 public:
  Fields(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t begin = 0;
    while (begin <= input.size()) {
      std::size_t end = input.find('\n', begin);
      if (end == std::string_view::npos) end = input.size();
      lines_.emplace_back(input.substr(begin, end - begin));
      begin = end + 1;
    }
  }

  bool Flag(std::size_t index) const {
    return !lines_.empty() && index < lines_[0].size() && lines_[0][index] == '1';
  }
  std::string Text(std::size_t index) const {
    return index + 1 < lines_.size() ? lines_[index + 1] : std::string();
  }

 private:
  std::vector<std::string> lines_;
};

// A printable form of a text for failure reports: control bytes and bytes above 0x7E as \xNN.
inline std::string Visible(std::string_view text) {
  std::string shown = "\"";
  for (unsigned char c : text) {
    if (c < 0x20 || c > 0x7E || c == '"' || c == '\\') {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      shown += hex;
    } else {
      shown.push_back(static_cast<char>(c));
    }
  }
  return shown + "\"";
}

[[noreturn]] inline void Fail(const char* file, int line, const char* condition,
                              const std::string& detail) {
  std::fprintf(stderr, "%s:%d: property broken: %s\n%s\n", file, line, condition, detail.c_str());
  std::abort();
}

}  // namespace mirvo::fuzz

// Stops the run (libFuzzer keeps the input as a crash) when the property does not hold.
#define FUZZ_CHECK(condition, detail)                                                \
  do {                                                                               \
    if (!(condition)) ::mirvo::fuzz::Fail(__FILE__, __LINE__, #condition, (detail)); \
  } while (false)
