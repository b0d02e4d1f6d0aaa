#include "gui/events/object_handles.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace lexidor {
namespace {

// Keyed by the owner (control block), not the address: a new object that
// happens to reuse a dead one's address is a different key, because the
// weak reference held here keeps the dead one's control block in place.
struct HandleTable {
  std::map<std::weak_ptr<TObject>, int, std::owner_less<std::weak_ptr<TObject>>> handles;
  std::unordered_map<int, std::weak_ptr<TObject>> objects;
  int last_handle = 0;
  size_t prune_at = 64;
};

HandleTable& Table() {
  static HandleTable table;
  return table;
}

// Forgets dead objects once the table has doubled since the last sweep, so
// a long run that makes many short-lived sources does not grow it forever.
void Prune(HandleTable& table) {
  if (table.handles.size() < table.prune_at) return;
  for (auto it = table.handles.begin(); it != table.handles.end();) {
    if (it->first.expired()) {
      table.objects.erase(it->second);
      it = table.handles.erase(it);
    } else {
      ++it;
    }
  }
  table.prune_at = std::max<size_t>(64, table.handles.size() * 2);
}

}  // namespace

int HandleOfObject(const ObjectRef& object) {
  if (!object) return 0;
  HandleTable& table = Table();
  std::weak_ptr<TObject> key = object;
  auto found = table.handles.find(key);
  if (found != table.handles.end()) return found->second;
  Prune(table);
  int handle = ++table.last_handle;
  table.handles.emplace(key, handle);
  table.objects.emplace(handle, key);
  return handle;
}

ObjectRef ObjectOfHandle(int handle) {
  HandleTable& table = Table();
  auto found = table.objects.find(handle);
  return found == table.objects.end() ? nullptr : found->second.lock();
}

}  // namespace lexidor
