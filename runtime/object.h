// The root of everything stored in an "object" slot (event sources and
// extras, hook data, gadget extras, data sources), and the boxed string that
// lets a text travel through such a slot.
//
// Objects are shared by reference count: an ObjectRef keeps its object alive,
// and the null object is nullptr.
#pragma once

#include <memory>

#include "runtime/string.h"

namespace lexidor {

class TObject {
 public:
  virtual ~TObject() = default;
  // A one-line description; the base gives the empty string.
  virtual String ToString() const { return String(); }
};

using ObjectRef = std::shared_ptr<TObject>;

// A string in an object slot.
class TBoxedString : public TObject {
 public:
  explicit TBoxedString(String text) : value(std::move(text)) {}
  String ToString() const override { return value; }
  String value;
};

inline ObjectRef BoxString(String text) { return std::make_shared<TBoxedString>(std::move(text)); }

// The text of `object` when it is a boxed string, else nullptr.
inline const String* StringOf(const ObjectRef& object) {
  auto* boxed = dynamic_cast<const TBoxedString*>(object.get());
  return boxed ? &boxed->value : nullptr;
}

}  // namespace lexidor
