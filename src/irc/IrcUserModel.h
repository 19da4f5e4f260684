#pragma once
// The rows of one slot's user list, read straight from the handler's entries: the
// entry as the server sent it, and the voice host's address (a zero-width column).
// The handler changes its entries first and reports afterwards, so the model keeps
// the row count the views were last told and passes each change on in Qt's order.
// UI thread only.

#include <QAbstractTableModel>
#include <QIcon>

#include <functional>

namespace tv::irc {

struct IrcUser;

class IrcUserModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // `users` gives the slot's current entries; it must stay callable for the model's life.
  explicit IrcUserModel(std::function<const QList<IrcUser> &()> users, QObject *parent = nullptr);

  int rowCount(const QModelIndex &parent = {}) const override;
  int columnCount(const QModelIndex &parent = {}) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void reset();
  void appended(int first, int count);
  void removed(int row);
  void changed(int row);
  // The icon of an entry that announced a voice host.
  void setHostIcon(const QIcon &icon) { hostIcon_ = icon; }

 private:
  std::function<const QList<IrcUser> &()> users_;
  int rows_ = 0;
  QIcon hostIcon_;
};

}  // namespace tv::irc
