#pragma once

#include <cstdint>
#include <string_view>

#include "foundation/result.h"

namespace mirvo {

// The schedule's interval from the minutes the user typed ("1", "0.5", "90"): the decimal text
// times 60000, rounded to the nearest millisecond with halves to the even neighbour. The text is
// read exactly, digit by digit, and "." is the decimal point whatever the locale; surrounding
// spaces and the full-width digits and point of a Chinese input method are accepted. An empty
// text, anything else than a number, zero or less, less than 1 ms or more than the timer can hold
// (2^31 - 1 ms) is an error naming the value.
Result<std::int32_t> ParseIntervalMinutes(std::string_view text);

}  // namespace mirvo
