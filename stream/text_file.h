// Whole text files: load with byte-order-mark detection, save back.
#pragma once

#include "stream/stream.h"

namespace lexidor {

// The text of `url`.  A leading byte-order mark picks the encoding (FE FF
// UTF-16BE, FF FE UTF-16LE, EF BB BF UTF-8) and is not part of the text;
// without one each byte is one character of the same code, so UTF-8 without
// a mark reads as Latin-1.  An empty file gives the empty string.  Throws
// TStreamReadException when the url cannot be opened.
String LoadTextFile(const String& url);
String LoadTextFile(const ObjectRef& url);

// Writes `text` to `url`: one byte per character and no mark when every code
// unit is 255 or less (so a text loaded from a file without a mark saves back
// byte for byte), else FF FE and UTF-16LE.  Throws TStreamWriteException when
// the url cannot be opened.
void SaveTextFile(const String& text, const String& url);

}  // namespace lexidor
