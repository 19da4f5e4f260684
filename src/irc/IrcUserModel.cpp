#include "irc/IrcUserModel.h"

#include "irc/IrcHandler.h"

namespace tv::irc {

IrcUserModel::IrcUserModel(std::function<const QList<IrcUser> &()> users, QObject *parent)
    : QAbstractTableModel(parent), users_(std::move(users)) {
  rows_ = int(users_().size());
}

int IrcUserModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : rows_; }

int IrcUserModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 2; }

QVariant IrcUserModel::data(const QModelIndex &index, int role) const {
  const QList<IrcUser> &users = users_();
  if (!index.isValid() || index.row() >= users.size()) return {};
  const IrcUser &u = users[index.row()];
  if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
    return index.column() == 0 ? u.entry : u.address;
  if (role == Qt::DecorationRole && index.column() == 0 && !u.address.isEmpty() &&
      !hostIcon_.isNull())
    return hostIcon_;
  return {};
}

QVariant IrcUserModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return section == 0 ? QStringLiteral("NickName") : QStringLiteral("IP");
}

void IrcUserModel::reset() {
  beginResetModel();
  rows_ = int(users_().size());
  endResetModel();
}

void IrcUserModel::appended(int first, int count) {
  if (count <= 0 || first != rows_) {
    reset();
    return;
  }
  beginInsertRows({}, first, first + count - 1);
  rows_ += count;
  endInsertRows();
}

void IrcUserModel::removed(int row) {
  if (row < 0 || row >= rows_) {
    reset();
    return;
  }
  beginRemoveRows({}, row, row);
  --rows_;
  endRemoveRows();
}

void IrcUserModel::changed(int row) {
  if (row >= 0 && row < rows_) Q_EMIT dataChanged(index(row, 0), index(row, 1));
}

}  // namespace tv::irc
