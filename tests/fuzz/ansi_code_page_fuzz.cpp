// GBK through iconv: text that encodes decodes back to itself, bytes that decode give valid UTF-8
// that encodes back to the same bytes, anything else is an error, and no error message is itself
// broken text.

#include "foundation/ansi_code_page.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using mirvo::fuzz::Visible;
  const std::string input(reinterpret_cast<const char*>(data), size);

  mirvo::Result<std::string> encoded = mirvo::EncodeAnsi(input);
  if (encoded.ok()) {
    FUZZ_CHECK(mirvo::IsValidUtf8(input), "invalid UTF-8 encoded: " + Visible(input));
    mirvo::Result<std::string> back = mirvo::DecodeAnsi(encoded.value());
    FUZZ_CHECK(back.ok() && back.value() == input,
               Visible(input) + " -> " + Visible(encoded.value()) + " did not decode back");
  } else {
    FUZZ_CHECK(mirvo::IsValidUtf8(encoded.error().message),
               "message not UTF-8: " + Visible(encoded.error().message));
  }

  mirvo::Result<std::string> decoded = mirvo::DecodeAnsi(input);
  if (decoded.ok()) {
    FUZZ_CHECK(mirvo::IsValidUtf8(decoded.value()),
               Visible(input) + " -> " + Visible(decoded.value()));
    mirvo::Result<std::string> again = mirvo::EncodeAnsi(decoded.value());
    FUZZ_CHECK(again.ok() && again.value() == input,
               Visible(input) + " -> " + Visible(decoded.value()) + " did not encode back");
  } else {
    FUZZ_CHECK(mirvo::IsValidUtf8(decoded.error().message),
               "message not UTF-8: " + Visible(decoded.error().message));
  }
  return 0;
}
