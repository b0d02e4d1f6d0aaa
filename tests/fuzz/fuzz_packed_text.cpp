// Packed text, as a build reads it back from a file on disk (a damaged or
// planted one among them): any bytes unpack or are refused, never past the
// limit; and any bytes packed stand in a script's string and unpack whole.
#include <string>

#include "app/fulltext/packed_text.h"
#include "tests/fuzz/fuzz_support.h"

using lexidor::fulltext::PackText;
using lexidor::fulltext::UnpackText;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  constexpr size_t kLimit = 1 << 20;
  std::string text;
  if (UnpackText(input, &text, kLimit)) FUZZ_CHECK(text.size() <= kLimit, input);

  const std::string packed = PackText(input);
  for (size_t i = 0; i < packed.size(); ++i) {
    FUZZ_CHECK(packed[i] != '"' && packed[i] != '\n' && packed[i] != '\r', "a raw " + packed);
    if (packed[i] == '\\') {
      FUZZ_CHECK(
          i + 1 < packed.size() && std::string("\\\"nr").find(packed[i + 1]) != std::string::npos,
          packed);
      ++i;
    }
  }
  std::string back;
  FUZZ_CHECK(UnpackText(packed, &back, size) && back == input, input);
  return 0;
}
