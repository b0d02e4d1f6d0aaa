#include "runtime/exceptions.h"

namespace lexidor {

const char* TException::what() const noexcept {
  try {
    what_ = ToUtf8(ToString());
  } catch (...) {
    return "out of memory while formatting an error";
  }
  return what_.c_str();
}

}  // namespace lexidor
