#pragma once
// The link handles of one run of the main program: 1 for the main window, then 2, 3,
// ... for IRC panes in the order they are made. A number is never given twice, so an
// offer for a closed pane cannot reach a newer one.

#include <QtGlobal>

namespace tv::dcc {

class DdeHandles {
 public:
  static constexpr quint32 kMainWindow = 1;
  // The next pane's handle.
  quint32 nextPane() { return ++last_; }

 private:
  quint32 last_ = kMainWindow;
};

}  // namespace tv::dcc
