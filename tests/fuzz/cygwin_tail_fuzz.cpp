// CygwinTail of any text: no ":" and no "\" are left, exactly the colons are gone, and every other
// byte keeps its place in order.

#include <algorithm>

#include "foundation/cygwin_path.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using mirvo::fuzz::Visible;
  const std::string_view path(reinterpret_cast<const char*>(data), size);
  const std::string tail = mirvo::CygwinTail(path);
  const auto colons = static_cast<std::size_t>(std::count(path.begin(), path.end(), ':'));
  FUZZ_CHECK(tail.find_first_of(":\\") == std::string::npos, Visible(tail));
  FUZZ_CHECK(tail.size() == path.size() - colons, Visible(path) + " -> " + Visible(tail));
  std::size_t at = 0;
  for (char c : path) {
    if (c == ':') continue;
    FUZZ_CHECK(tail[at] == c || (c == '\\' && tail[at] == '/'),
               "byte " + std::to_string(at) + " of " + Visible(tail) + " from " + Visible(path));
    ++at;
  }
  // The tail of a tail is itself: a second rewrite changes nothing.
  FUZZ_CHECK(mirvo::CygwinTail(tail) == tail, Visible(tail));
  return 0;
}
