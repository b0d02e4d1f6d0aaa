#include "gui/fltk/widget/fl_widget_host.h"

#include <utility>

namespace lexidor {

namespace {

std::shared_ptr<TFLWidgetHost>& HostSlot() {
  static std::shared_ptr<TFLWidgetHost> host;
  return host;
}

}  // namespace

TFLWidgetHost* FLWidgetHost() { return HostSlot().get(); }

void SetFLWidgetHost(std::shared_ptr<TFLWidgetHost> host) { HostSlot() = std::move(host); }

}  // namespace lexidor
