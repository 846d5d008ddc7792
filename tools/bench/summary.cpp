#include "summary.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace mirvo::bench {

std::optional<Summary> Summarize(std::vector<double> samples) {
  if (samples.empty()) return std::nullopt;
  std::sort(samples.begin(), samples.end());
  const std::size_t n = samples.size();
  Summary s;
  s.count = n;
  s.min = samples.front();
  s.max = samples.back();
  s.median = n % 2 == 1 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
  return s;
}

Samples ParseSamples(std::string_view text) {
  Samples result;
  std::istringstream lines{std::string(text)};
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    std::istringstream words(line);
    std::string metric, variant, value, extra;
    if (!(words >> metric >> variant >> value) || (words >> extra)) {
      ++result.skippedLines;
      continue;
    }
    double number = 0;
    const char* end = value.data() + value.size();
    const auto [ptr, error] = std::from_chars(value.data(), end, number);
    if (error != std::errc() || ptr != end || !std::isfinite(number)) {
      ++result.skippedLines;
      continue;
    }
    result.byMetric[metric][variant].push_back(number);
  }
  return result;
}

std::string Figure(std::optional<double> value, int decimals) {
  if (!value) return "-";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, *value);
  return buffer;
}

}  // namespace mirvo::bench
