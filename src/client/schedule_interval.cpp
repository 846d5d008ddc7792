#include "client/schedule_interval.h"

#include <limits>
#include <string>

namespace mirvo {
namespace {

constexpr std::uint64_t kLongestInterval = std::numeric_limits<std::int32_t>::max();

// Full-width digits (U+FF10..U+FF19), point (U+FF0E) and space (U+3000) as ASCII; the rest as is.
std::string NarrowFullWidth(std::string_view text) {
  std::string narrow;
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    if (i + 2 < text.size() && byte(i) == 0xEF && byte(i + 1) == 0xBC) {
      unsigned char last = byte(i + 2);
      if (last >= 0x90 && last <= 0x99) {
        narrow.push_back(static_cast<char>('0' + (last - 0x90)));
        i += 2;
        continue;
      }
      if (last == 0x8E) {
        narrow.push_back('.');
        i += 2;
        continue;
      }
    }
    if (i + 2 < text.size() && byte(i) == 0xE3 && byte(i + 1) == 0x80 && byte(i + 2) == 0x80) {
      narrow.push_back(' ');
      i += 2;
      continue;
    }
    narrow.push_back(text[i]);
  }
  return narrow;
}

std::string_view TrimBlanks(std::string_view text) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool AllDigits(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// A decimal digit string times a single digit, still as a digit string.
std::string MultiplyBy(std::string_view digits, int factor) {
  std::string product(digits.size() + 1, '0');
  int carry = 0;
  for (std::size_t i = digits.size(); i-- > 0;) {
    int value = (digits[i] - '0') * factor + carry;
    product[i + 1] = static_cast<char>('0' + value % 10);
    carry = value / 10;
  }
  product[0] = static_cast<char>('0' + carry);
  return product;
}

Error Rejected(std::string_view typed, std::string_view reason) {
  return Error{"定时同步间隔“" + std::string(typed) + "”" + std::string(reason)};
}

}  // namespace

Result<std::int32_t> ParseIntervalMinutes(std::string_view text) {
  const std::string narrow = NarrowFullWidth(text);
  std::string_view number = TrimBlanks(narrow);
  if (number.empty()) return Error{"定时同步间隔为空：请填写分钟数，例如 1 或 0.5"};

  bool negative = false;
  if (number.front() == '-' || number.front() == '+') {
    negative = number.front() == '-';
    number.remove_prefix(1);
  }
  std::size_t point = number.find('.');
  std::string_view whole = number.substr(0, point);
  std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : number.substr(point + 1);
  if ((whole.empty() && fraction.empty()) || !AllDigits(whole) || !AllDigits(fraction)) {
    return Rejected(text, "不是有效的分钟数：只能填写数字，例如 1 或 0.5");
  }

  while (!whole.empty() && whole.front() == '0') whole.remove_prefix(1);
  while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
  if (whole.empty() && fraction.empty()) return Rejected(text, "必须大于零");
  if (negative) return Rejected(text, "必须大于零");
  const std::string tooLong = "超过了定时器能计时的最长间隔（2147483647 毫秒，约 35791 分钟）";
  if (whole.size() > 5) return Rejected(text, tooLong);

  // minutes × 60000 = (all digits × 6) × 10^(4 − fraction digits), exactly.
  std::string product = MultiplyBy(std::string(whole) + std::string(fraction), 6);
  std::string head = product;
  std::string tail;
  if (fraction.size() <= 4) {
    head.append(4 - fraction.size(), '0');
  } else {
    std::size_t dropped = fraction.size() - 4;
    if (product.size() < dropped) product.insert(0, dropped - product.size(), '0');
    head = product.substr(0, product.size() - dropped);
    tail = product.substr(product.size() - dropped);
  }
  std::size_t significant = head.find_first_not_of('0');
  head = significant == std::string::npos ? "0" : head.substr(significant);
  if (head.size() > 10) return Rejected(text, tooLong);
  std::uint64_t milliseconds = std::stoull(head);

  if (!tail.empty() && tail.front() >= '5') {
    bool exactHalf = tail.front() == '5' && tail.find_first_not_of('0', 1) == std::string::npos;
    if (!exactHalf || milliseconds % 2 == 1) ++milliseconds;
  }
  if (milliseconds > kLongestInterval) return Rejected(text, tooLong);
  if (milliseconds == 0) return Rejected(text, "不足 1 毫秒，定时器无法计时");
  return static_cast<std::int32_t>(milliseconds);
}

}  // namespace mirvo
