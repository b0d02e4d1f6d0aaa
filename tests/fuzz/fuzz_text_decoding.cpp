// Text decoding of outside bytes: whole files with or without a byte-order
// mark, lines in each of the four encodings, and hexadecimal lines of
// binary data.  The first byte picks the reading; the rest is the data.
#include <memory>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "stream/memory_stream.h"
#include "stream/text_file.h"
#include "stream/text_stream.h"
#include "tests/fuzz/fuzz_support.h"

using namespace lexidor;

namespace {

std::shared_ptr<TMemoryStream> Memory(const std::string& bytes) {
  return std::make_shared<TMemoryStream>(std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

// A whole file: without a mark one character per byte; with a UTF-16 mark
// each pair of bytes is one unit (a last odd byte is the low or high part
// of a unit whose missing byte is 0).
void WholeFile(const std::string& bytes) {
  const String text = LoadTextFile(std::static_pointer_cast<TObject>(Memory(bytes)));
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
  const bool be = bytes.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF;
  const bool le = bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE;
  const bool utf8 = bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF;
  if (be || le) {
    const size_t pairs = (bytes.size() - 2) / 2;
    FUZZ_CHECK(text.size() >= pairs && text.size() <= pairs + 1, "UTF-16 length");
    for (size_t i = 0; i < pairs; ++i) {
      const unsigned a = byte(2 + 2 * i), b = byte(3 + 2 * i);
      FUZZ_CHECK(text[i] == (be ? (a << 8 | b) : (b << 8 | a)), "UTF-16 unit");
    }
  } else if (utf8) {
    FUZZ_CHECK(text.size() <= bytes.size() - 3, "UTF-8 gives more characters than bytes");
    // Text that is ASCII reads as itself.
    const std::string rest = bytes.substr(3);
    bool ascii = true;
    for (unsigned char c : rest) ascii = ascii && c < 0x80;
    if (ascii) FUZZ_CHECK(text == FromLatin1(rest), "ASCII after a UTF-8 mark");
  } else {
    FUZZ_CHECK(text == FromLatin1(bytes), "bytes without a mark are Latin-1");
  }
}

// Lines until the end: each read makes progress, and in Latin-1 the lines
// are the bytes between LF or NUL with CR dropped.
void Lines(const std::string& bytes, int encoding) {
  auto text = TTextStream::Create(Memory(bytes), encoding);
  std::vector<String> lines;
  for (size_t guard = 0; !text->Eof(); ++guard) {
    FUZZ_CHECK(guard <= bytes.size(), "ReadLine makes no progress");
    lines.push_back(text->ReadLine());
  }
  if (encoding != TTextStream::LATIN1) return;
  std::vector<String> expected;
  String line;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\n' || c == '\0') {
      expected.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line.push_back(static_cast<unsigned char>(c));
    }
  }
  if (!bytes.empty() && bytes.back() != '\n' && bytes.back() != '\0') expected.push_back(line);
  FUZZ_CHECK(lines == expected, "Latin-1 lines");
}

// Hexadecimal lines: reading outside bytes either fails with the malformed
// text message or gives at most half as many bytes; bytes written read
// back as they were.
void Hex(const std::string& bytes) {
  auto reader = TTextStream::Create(Memory(bytes), TTextStream::LATIN1);
  std::vector<uint8_t> out(bytes.size() + 1);
  try {
    const int got = reader->Read(out.data(), static_cast<int>(out.size()));
    FUZZ_CHECK(got >= 0 && static_cast<size_t>(got) <= bytes.size() / 2 + 1, "hex read count");
  } catch (const TThrownText&) {
  }

  auto memory = std::make_shared<TMemoryStream>();
  auto writer = TTextStream::Create(memory, TTextStream::UTF8);
  writer->Write(bytes.data(), static_cast<int>(bytes.size()));
  writer->WriteLine(u"end");
  memory->Seek(0);
  auto back = TTextStream::Create(memory, TTextStream::UTF8);
  std::string again(bytes.size(), '\0');
  FUZZ_CHECK(back->Read(again.data(), static_cast<int>(again.size())) ==
                 static_cast<int>(bytes.size()),
             "hex read back count");
  FUZZ_CHECK(again == bytes, "hex round trip");
  FUZZ_CHECK(back->ReadLine() == u"end", "line after hex data");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 6) {
    case 0: WholeFile(bytes); break;
    case 1: Lines(bytes, TTextStream::LATIN1); break;
    case 2: Lines(bytes, TTextStream::UTF8); break;
    case 3: Lines(bytes, TTextStream::UTF16BE); break;
    case 4: Lines(bytes, TTextStream::UTF16LE); break;
    default: Hex(bytes); break;
  }
  return 0;
}
