#include "foundation/local_time.h"

#include <cstdio>
#include <cstdlib>

namespace mirvo {

std::string Iso8601(const LocalTime& t) {
  const int offset = std::abs(t.minutesAheadOfUtc);
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", t.year, t.month,
                t.day, t.hour, t.minute, t.second, t.minutesAheadOfUtc < 0 ? '-' : '+', offset / 60,
                offset % 60);
  return text;
}

}  // namespace mirvo
