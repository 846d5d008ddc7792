#pragma once

#include <string>

namespace mirvo {

// A wall-clock time as the system shows it, and how far it is ahead of UTC.
struct LocalTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int minutesAheadOfUtc = 0;  // +480 in China, negative west of Greenwich
};

// ISO 8601 with the offset written out: "2026-12-09T20:01:02+08:00". UTC is "+00:00", never "Z",
// so that every line of a log has the same width.
std::string Iso8601(const LocalTime& time);

}  // namespace mirvo
