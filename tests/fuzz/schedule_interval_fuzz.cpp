// The schedule's interval from any typed text: a value the timer can hold (1 to 2^31 - 1 ms) or an
// error, and for short texts the same answer as a slow reference that reads the number with a
// regular expression and computes in 128-bit integers.

#include <limits>
#include <optional>
#include <regex>

#include "client/schedule_interval.h"
#include "fuzz_support.h"

namespace mirvo::fuzz {
namespace {

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

// The interval in milliseconds, or nullopt when the text is no usable interval; nothing but the
// rules the window promises (full-width digits, point and space of a Chinese input method read as
// ASCII; blanks around; an optional sign; "." as the point; round half to even).
std::optional<std::int64_t> ReferenceInterval(std::string text) {
  for (int digit = 0; digit < 10; ++digit) {
    const char fullWidth[] = {'\xEF', '\xBC', static_cast<char>(0x90 + digit), '\0'};
    text = ReplaceAll(text, fullWidth, std::string(1, static_cast<char>('0' + digit)));
  }
  text = ReplaceAll(text, "\xEF\xBC\x8E", ".");
  text = ReplaceAll(text, "\xE3\x80\x80", " ");
  static const std::regex number(R"(^[ \t]*([+-]?)([0-9]*)(?:\.([0-9]*))?[ \t]*$)");
  std::smatch match;
  if (!std::regex_match(text, match, number)) return std::nullopt;
  const std::string whole = match[2].str();
  const std::string fraction = match[3].str();
  if (whole.empty() && fraction.empty()) return std::nullopt;
  __int128 numerator = 0;  // the minutes times 10^fraction digits
  for (char c : whole + fraction) numerator = numerator * 10 + (c - '0');
  __int128 denominator = 1;
  for (std::size_t i = 0; i < fraction.size(); ++i) denominator *= 10;
  if (numerator == 0 || match[1].str() == "-") return std::nullopt;
  __int128 product = numerator * 60000;
  __int128 milliseconds = product / denominator;
  __int128 remainder = product % denominator;
  if (remainder * 2 > denominator || (remainder * 2 == denominator && milliseconds % 2 == 1)) {
    ++milliseconds;
  }
  if (milliseconds < 1 || milliseconds > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>(milliseconds);
}

std::size_t DigitCount(std::string_view text) {
  std::size_t count = 0;
  for (char c : text) count += (c >= '0' && c <= '9') ? 1 : 0;
  return count;
}

}  // namespace
}  // namespace mirvo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using mirvo::fuzz::Visible;
  const std::string text(reinterpret_cast<const char*>(data), size);
  mirvo::Result<std::int32_t> parsed = mirvo::ParseIntervalMinutes(text);
  if (parsed.ok()) {
    FUZZ_CHECK(parsed.value() >= 1, Visible(text));
  } else {
    FUZZ_CHECK(!parsed.error().message.empty(), Visible(text));
  }
  // Up to 24 digits (full-width ones count three bytes each) fit the reference's 128 bits.
  if (size <= 80 && mirvo::fuzz::DigitCount(text) + size / 3 <= 30) {
    std::optional<std::int64_t> reference = mirvo::fuzz::ReferenceInterval(text);
    const std::string got = parsed.ok() ? std::to_string(parsed.value()) : "error";
    const std::string want = reference ? std::to_string(*reference) : "error";
    FUZZ_CHECK(got == want, Visible(text) + " gave " + got + ", the reference " + want);
  }
  return 0;
}
