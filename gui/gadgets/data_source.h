// The containers a gadget accepts as its data source (TGadget::SetDataSource).
// Each is a TObject so it fits the gadget's `datasource` slot; the gadget
// holds a reference and reads the elements again on every SyncDataSource, so
// the owner changes the container and then asks the gadget to sync.
#pragma once

#include <list>
#include <vector>

#include "runtime/object.h"

namespace lexidor {

// A linked list of objects; its keys are the ToString of each non-null
// element, in order.
class TObjectList : public TObject {
 public:
  TObjectList() = default;
  explicit TObjectList(std::list<ObjectRef> elements) : values(std::move(elements)) {}
  std::list<ObjectRef> values;
};

// A string array; its elements are the keys themselves.
class TStringArray : public TObject {
 public:
  TStringArray() = default;
  explicit TStringArray(std::vector<String> elements) : values(std::move(elements)) {}
  std::vector<String> values;
};

// An object array; its keys are the ToString of each non-null element.
class TObjectArray : public TObject {
 public:
  TObjectArray() = default;
  explicit TObjectArray(std::vector<ObjectRef> elements) : values(std::move(elements)) {}
  std::vector<ObjectRef> values;
};

}  // namespace lexidor
