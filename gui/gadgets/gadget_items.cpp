// TGadget: the item list, selection and data sources.
//
// The core keeps the items (text, tip, icon, flags, extra) itself and tells
// the driver about every change through the ...ListItem operations; the
// selection state lives in the driver's widget and is read back through
// ListItemState.
#include <algorithm>

#include "gui/gadgets/data_source.h"
#include "gui/gadgets/gadget.h"
#include "runtime/exceptions.h"

namespace lexidor {

void TGadget::CheckItemIndex(int index) const {
  if (index < 0 || index >= static_cast<int>(items.size())) {
    throw TRuntimeException(u"Gadget item index out of range: " + IntToString(index));
  }
}

void TGadget::Clear() {
  ClearListItems();
  items.clear();
}

void TGadget::InsertItem(int index, const String& text, const String& tip, int icon,
                         ObjectRef item_extra, int flags) {
  const int count = static_cast<int>(items.size());
  if (index < 0 || index > count) index = count;
  TGadgetItem item;
  item.Set(text, tip, icon, item_extra, flags);
  items.insert(items.begin() + index, std::move(item));
  InsertListItem(index, text, tip, icon, item_extra);
  if (flags & ITEMFLAG_SELECTED) SelectItem(index, ITEM_SELECT);
}

void TGadget::SetItem(int index, const String& text, const String& tip, int icon,
                      ObjectRef item_extra, int flags) {
  CheckItemIndex(index);
  items[index].Set(text, tip, icon, item_extra, flags);
  SetListItem(index, text, tip, icon, item_extra);
  if (flags & ITEMFLAG_SELECTED) SelectItem(index, ITEM_SELECT);
}

void TGadget::RemoveItem(int index) {
  CheckItemIndex(index);
  items.erase(items.begin() + index);
  RemoveListItem(index);
}

int TGadget::ItemCount() { return static_cast<int>(items.size()); }

String TGadget::ItemText(int index) {
  CheckItemIndex(index);
  return items[index].text;
}

String TGadget::ItemTip(int index) {
  CheckItemIndex(index);
  return items[index].tip;
}

int TGadget::ItemFlags(int index) {
  CheckItemIndex(index);
  return items[index].flags;
}

int TGadget::ItemIcon(int index) {
  CheckItemIndex(index);
  return items[index].icon;
}

ObjectRef TGadget::ItemExtra(int index) {
  if (index == -1) return nullptr;
  CheckItemIndex(index);
  return items[index].extra;
}

void TGadget::SetItemState(int index, int state) { SetListItemState(index, state); }

int TGadget::ItemState(int index) { return ListItemState(index); }

void TGadget::SelectItem(int index, int operation) {
  if (index == -1) {
    for (int i = 0; i < ItemCount(); ++i) SelectItem(i, operation);
    return;
  }
  CheckItemIndex(index);
  int state = ItemState(index);
  switch (operation) {
    case ITEM_DESELECT:
      state &= ~ITEMSTATE_SELECTED;
      break;
    case ITEM_SELECT:
      state |= ITEMSTATE_SELECTED;
      break;
    case ITEM_TOGGLE:
      state ^= ITEMSTATE_SELECTED;
      break;
    default:
      break;
  }
  const TGadgetItem& item = items[index];
  if (item.icon >= 0 && (item.flags & ITEMFLAG_TOGGLEICON)) {
    SetListItem(index, item.text, item.tip, ItemIconShown(index, state), item.extra);
  }
  SetItemState(index, state);
}

int TGadget::ItemIconShown(int index, int state) const {
  const TGadgetItem& item = items[index];
  const bool next =
      item.icon >= 0 && (item.flags & ITEMFLAG_TOGGLEICON) && (state & ITEMSTATE_SELECTED);
  return next ? item.icon + 1 : item.icon;
}

int TGadget::SelectedItem() {
  std::vector<int> selected = SelectedItems();
  return selected.size() == 1 ? selected[0] : -1;
}

std::vector<int> TGadget::SelectedItems() {
  std::vector<int> selected;
  const int count = ItemCount();
  for (int i = 0; i < count; ++i) {
    if (ListItemState(i) & ITEMSTATE_SELECTED) selected.push_back(i);
  }
  return selected;
}

int TGadget::SelectionChanged() {
  std::vector<int> now = SelectedItems();
  std::vector<int> before = std::move(arrPrevSelection);
  arrPrevSelection = now;
  const size_t common = std::min(before.size(), now.size());
  for (size_t i = 0; i < common; ++i) {
    if (before[i] != now[i]) return std::min(before[i], now[i]);
  }
  if (now.size() > common) return now[common];
  if (before.size() > common) return before[common];
  return -1;
}

void TGadget::SetDataSource(ObjectRef source_object) {
  Clear();
  datasource = std::move(source_object);
  datakeys.clear();
  SyncDataSource();
}

std::vector<String> TGadget::KeysFromList(const TObjectList& list) {
  std::vector<String> keys;
  for (const ObjectRef& element : list.values) {
    if (element) keys.push_back(element->ToString());
  }
  return keys;
}

std::vector<String> TGadget::KeysFromObjectArray(const TObjectArray& array) {
  std::vector<String> keys;
  for (const ObjectRef& element : array.values) {
    if (element) keys.push_back(element->ToString());
  }
  return keys;
}

int TGadget::SyncDataSource() {
  if (!datasource) return 0;
  std::vector<String> keys;
  if (auto* list = dynamic_cast<const TObjectList*>(datasource.get())) {
    keys = KeysFromList(*list);
  } else if (auto* strings = dynamic_cast<const TStringArray*>(datasource.get())) {
    keys = strings->values;
  } else if (auto* objects = dynamic_cast<const TObjectArray*>(datasource.get())) {
    keys = KeysFromObjectArray(*objects);
  }
  if (!keys.empty()) {
    SyncData(keys);
    datakeys = std::move(keys);
    return 0;
  }
  // No keys: the list mirrors an empty source.  The remembered keys go too,
  // so that a later sync walks against what the list really holds.
  datakeys.clear();
  if (ItemCount() > 0) {
    Clear();
    return 1;
  }
  return 0;
}

void TGadget::SyncData(const std::vector<String>& keys) {
  // Invariant at the top of each round: the items are keys[0..i) followed by
  // datakeys[a..).
  const std::vector<String>& old = datakeys;
  const int old_count = static_cast<int>(old.size());
  const int key_count = static_cast<int>(keys.size());
  int a = 0;
  for (int i = 0; i < key_count; ++i) {
    if (a < old_count) {
      if (keys[i] == old[a]) {
        ++a;
        continue;
      }
      // k old keys stand before the next one equal to keys[i]; b keys from i
      // on would line up with the old keys from there.  Dropping the k is
      // worth it when fewer items go than stay in line.
      int k = 0;
      while (a + k < old_count && old[a + k] != keys[i]) ++k;
      int b = 1;
      while (i + b < key_count && a + k + b < old_count && keys[i + b] == old[a + k + b]) ++b;
      if (k < b) {
        for (int n = 0; n < k && i < ItemCount(); ++n) RemoveItem(i);
        a += k + 1;
        continue;
      }
    }
    InsertItemFromKey(i, keys[i]);
  }
  while (ItemCount() > key_count) RemoveItem(ItemCount() - 1);
}

void TGadget::InsertItemFromKey(int index, const String& key) {
  InsertItem(index, key, String(), 0, datasource, 0);
}

}  // namespace lexidor
