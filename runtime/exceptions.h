// The error types of Lexidor.  Each derives from std::exception, so main can
// report anything uncaught, and from TObject, so ToString gives the text.
// what() is that text in UTF-8.
#pragma once

#include <exception>
#include <string>

#include "runtime/object.h"

namespace lexidor {

class TException : public TObject, public std::exception {
 public:
  const char* what() const noexcept override;

 private:
  mutable std::string what_;
};

// A runtime error with its message in `error`.
class TRuntimeException : public TException {
 public:
  explicit TRuntimeException(String text) : error(std::move(text)) {}
  static TRuntimeException Create(String text) { return TRuntimeException(std::move(text)); }
  String ToString() const override { return error; }
  String error;
};

// Raised by every operation of an abstract base that a usable subclass must
// override.  The text names the operation.
class TAbstractMethodException : public TRuntimeException {
 public:
  explicit TAbstractMethodException(const String& operation)
      : TRuntimeException(u"Abstract method called: " + operation) {}
};

// A text thrown as it is ("Unable to read object", "Malformed line
// terminator"): the thrown object is the string, not an error record.
class TThrownText : public TException {
 public:
  explicit TThrownText(String text) : text(std::move(text)) {}
  String ToString() const override { return text; }
  String text;
};

class TStreamException : public TException {};

class TStreamReadException : public TStreamException {
 public:
  String ToString() const override { return u"Error reading from stream"; }
};

class TStreamWriteException : public TStreamException {
 public:
  String ToString() const override { return u"Error writing to stream"; }
};

}  // namespace lexidor
