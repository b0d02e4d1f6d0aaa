// The driver the FLTK widgets live under, as the widgets see it: it gives
// every new widget its default font and batches their redraws.
//
// The FLTK driver installs itself here at start-up.  Until one is installed
// (and in tests without FLTK) new widgets keep FLTK's own font and redraw at
// once.  Main thread only.
#pragma once

#include <memory>

#include "gui/gadgets/gui_driver.h"

namespace lexidor {

class TFLWidget;

class TFLWidgetHost {
 public:
  virtual ~TFLWidgetHost() = default;
  // The font every new widget starts with; may be nullptr while the host
  // is starting.
  virtual FontRef DefaultWidgetFont() = 0;
  // Queues `widget` for one redraw at the next batch.
  virtual void RefreshWidget(const std::shared_ptr<TFLWidget>& widget) = 0;
};

// The host in use, or nullptr.
TFLWidgetHost* FLWidgetHost();
void SetFLWidgetHost(std::shared_ptr<TFLWidgetHost> host);

}  // namespace lexidor
