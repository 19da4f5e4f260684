#include "mainwindow/IrcSlotTable.h"

namespace tv::mainwindow {

IrcSlotTable::Opened IrcSlotTable::open(const QString &serverName) {
  Opened opened;
  if (openCount_ == 0) {
    names_ = QStringList{QString()};
    opened.resetPaneZero = true;
  } else {
    const qsizetype free = names_.indexOf(QString());
    if (free >= 0) {
      opened.slot = int(free);
    } else {
      opened.slot = int(names_.size());
      names_.append(QString());
      opened.loadPane = true;
    }
  }
  ++openCount_;
  names_[opened.slot] = serverName;
  return opened;
}

bool IrcSlotTable::release(int slot) {
  if (openCount_ == 0 || slot < 0 || slot >= names_.size()) return false;
  names_[slot].clear();
  --openCount_;
  return true;
}

QList<int> IrcSlotTable::trim() {
  QList<int> unloaded;
  while (!names_.isEmpty() && names_.last().isEmpty()) {
    if (names_.size() == 1) {
      names_.clear();
      break;
    }
    unloaded.append(int(names_.size()) - 1);
    names_.removeLast();
  }
  return unloaded;
}

}  // namespace tv::mainwindow
