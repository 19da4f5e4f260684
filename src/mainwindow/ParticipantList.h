#pragma once
// The participant list lstUSER: one row per session member, keyed PlayerKey(id), with
// the name (the host's with "@" in front) in the member's colour, the speaking mark,
// the voice team and the round-trip time. Names come from peers and are shown as
// plain text. Operations on a missing row are ignored.

#include <QHash>
#include <QTreeWidget>

#include <cstdint>
#include <optional>

namespace tv::mainwindow {

class ParticipantList : public QTreeWidget {
  Q_OBJECT
 public:
  static constexpr int kVoiceColumn = 1;
  static constexpr int kTeamColumn = 2;
  static constexpr int kPingColumn = 3;

  explicit ParticipantList(QWidget *parent = nullptr);

  // Appends a row for the member (replacing an old one) with "－" in every column.
  void AddParticipantRow(std::uint32_t id, const QString &name);
  void RemoveParticipantRow(std::uint32_t id);
  void ClearRows();
  bool HasParticipantRow(std::uint32_t id) const { return rows_.contains(id); }

  // The row text, host mark included ("" without a row).
  QString RowText(std::uint32_t id) const;
  // The row text without one leading "@".
  QString ParticipantName(std::uint32_t id) const;
  void SetParticipantName(std::uint32_t id, const QString &name);
  // Row text := "@" + the name without its host mark.
  void MarkHostRow(std::uint32_t id);

  // The row's text colour as a 24-bit colour value; nullopt without a row.
  std::optional<std::uint32_t> UserColor(std::uint32_t id) const;
  void SetUserColor(std::uint32_t id, std::uint32_t colour);
  void SetUserPing(std::uint32_t id, const QString &text);
  void SetUserTeamText(std::uint32_t id, const QString &text);
  void MarkTalking(std::uint32_t id, bool talking);
  QString CellText(std::uint32_t id, int column) const;

  // The selected member's ID; 0 when no row is selected.
  std::uint32_t SelectedUserId() const;
  void SelectUser(std::uint32_t id);

  // Widens the Ping column to the list's right edge, less a small gap.
  void fitPingColumn();

 Q_SIGNALS:
  void mouseReleased(Qt::MouseButton button, const QPoint &globalPos);
  // The menu key or Shift+F10: the member menu, for keyboard and screen-reader users.
  void menuKeyPressed(const QPoint &globalPos);

 protected:
  void resizeEvent(QResizeEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;

 private:
  QTreeWidgetItem *item(std::uint32_t id) const { return rows_.value(id); }

  QHash<std::uint32_t, QTreeWidgetItem *> rows_;
};

}  // namespace tv::mainwindow
