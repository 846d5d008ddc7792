#include "foundation/control_report.h"

#include <cstdio>
#include <utility>

namespace mirvo {
namespace {

UnknownControlReporter& Reporter() {
  static UnknownControlReporter reporter;
  return reporter;
}

}  // namespace

void ReportUnknownControl(std::string_view window, std::string_view control,
                          std::string_view call) {
  const std::string report = "MIRVO: " + std::string(window) + ": no control named " +
                             std::string(control) + " (" + std::string(call) + ")";
  if (Reporter()) {
    Reporter()(report);
  } else {
    std::fprintf(stderr, "%s\n", report.c_str());
  }
}

UnknownControlReporter SetUnknownControlReporter(UnknownControlReporter reporter) {
  return std::exchange(Reporter(), std::move(reporter));
}

}  // namespace mirvo
