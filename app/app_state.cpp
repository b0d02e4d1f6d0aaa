#include "app/app_state.h"

namespace lexidor {

AppState& App() {
  static auto* state = new AppState();
  return *state;
}

}  // namespace lexidor
