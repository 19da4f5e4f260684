#pragma once
// Bookkeeping of the IRC pane slots: one server name per pane number, "" marking a
// free slot, and the number of open panes. Pane 0 always exists; further panes are
// loaded when no free slot is left and unloaded again from the end of the array once
// their slots are free. Pure logic; the window loads and unloads the panes it names.

#include <QString>
#include <QStringList>

namespace tv::mainwindow {

class IrcSlotTable {
 public:
  struct Opened {
    int slot = 0;
    bool resetPaneZero = false;  // no pane was open: pane 0 is reused and reset
    bool loadPane = false;       // the array grew: pane `slot` is to be created
  };
  // Takes the lowest free slot for the server (slot 0 when no pane is open).
  Opened open(const QString &serverName);

  // A pane ended: its slot becomes free. False (nothing changed) while no pane is open
  // or when `slot` lies outside the array.
  bool release(int slot);
  // Drops free slots from the end of the array. Returns the pane numbers to unload,
  // last first; pane 0 is never among them (the array just becomes empty).
  QList<int> trim();

  int openCount() const { return openCount_; }
  int size() const { return int(names_.size()); }
  QString name(int slot) const { return names_.value(slot); }

 private:
  QStringList names_;
  int openCount_ = 0;
};

}  // namespace tv::mainwindow
