// The character sets pages declare, and reading characters from their bytes.
#pragma once

#include <cstddef>
#include <string_view>

namespace lexidor::fulltext {

enum class Charset { kLatin1, kWindows1252, kUtf8 };

// The page's own declaration: a UTF-8 byte-order mark, or a "charset=" in
// the first 4 KB (a meta element's charset attribute or content type).
// iso-8859-1 when there is none or it names a set not read here.
Charset DetectCharset(std::string_view page);

// The character at `pos`, which is advanced past it.  Never fails: a byte
// that is not valid UTF-8 in a UTF-8 page reads as the windows-1252
// character of that byte, and so do the control codes 0x80..0x9F of a
// Latin-1 page (what browsers do).  `pos` must be below page.size().
char32_t NextChar(std::string_view page, size_t& pos, Charset charset);

// The windows-1252 character of a byte (0x80..0x9F differ from Latin-1).
char32_t Windows1252Char(unsigned char byte);

}  // namespace lexidor::fulltext
