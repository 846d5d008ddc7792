#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mirvo::bench {

struct Summary {
  double min = 0;
  double median = 0;
  double max = 0;
  std::size_t count = 0;
};

// Min, median and max of the samples; the median of an even count is the mean of the middle two.
// No samples, no summary.
std::optional<Summary> Summarize(std::vector<double> samples);

// The samples of a results file: one "metric variant value" line per measurement, in the order
// they were taken. Lines that do not have that shape are skipped and counted.
struct Samples {
  std::map<std::string, std::map<std::string, std::vector<double>>> byMetric;
  int skippedLines = 0;
};
Samples ParseSamples(std::string_view text);

// A number for the table: fixed with the given decimals, "-" when absent.
std::string Figure(std::optional<double> value, int decimals);

}  // namespace mirvo::bench
