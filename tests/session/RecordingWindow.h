#pragma once
// A main window without widgets for the session engine: it records every row, line and
// call the engine makes, and keeps the tabs and participant rows the way the real
// window does, so that the engine's reads (HasTab, ParticipantName, AddChatLine's
// refusal of unknown senders) behave as in the program.

#include "session/SessionWindow.h"

#include <QList>
#include <QMap>
#include <QStringList>

#include <functional>

namespace tv::session::test {

class RecordingWindow : public SessionWindow {
 public:
  struct Row {
    QString text;  // with "@" in front on the host's row
    quint32 colour = 0;
    QString ping = QStringLiteral("－");
    int team = 0;
    bool talking = false;
  };
  struct ChatLine {
    QString text;
    quint32 sender = 0;
    bool rtf = false;
  };

  void LogVoiceInfo(const QString &kind, const QString &text) override;
  bool AddChatLine(const QString &text, std::uint32_t senderId, bool rtf) override;
  void UpdateVoiceButtons() override;
  bool HasTab(const QString &key) const override { return tabs.contains(key); }
  void AddTab(const QString &key, const QString &caption) override;
  void SelectTab(const QString &key) override;
  void SyncSelectedTab() override;
  void RemoveTab(const QString &key) override;
  void ResetSessionView() override;
  void SaveVoiceLog() override { calls << QStringLiteral("SaveVoiceLog"); }
  void SetStatusText(const QString &text) override { status << text; }
  void AddParticipantRow(std::uint32_t id, const QString &name) override;
  void RemoveParticipantRow(std::uint32_t id) override { rows.remove(id); }
  bool HasParticipantRow(std::uint32_t id) const override { return rows.contains(id); }
  QString ParticipantName(std::uint32_t id) const override;
  void SetParticipantName(std::uint32_t id, const QString &name) override;
  void MarkHostRow(std::uint32_t id) override;
  void SetUserColor(std::uint32_t id, std::uint32_t colour) override;
  void SetUserPing(std::uint32_t id, const QString &text) override;
  void SetUserTeam(std::uint32_t id, int team) override;
  void MarkTalking(std::uint32_t id, bool talking) override;
  void UpdateUserCount() override {
    calls << QStringLiteral("UpdateUserCount");
    if (onUpdateUserCount) onUpdateUserCount();
  }
  QString Topic() const override { return topic; }
  void SetTopic(const QString &text) override { topic = text; }
  std::uint32_t OwnColourValue() const override { return ownColour; }
  void SetVolumeSliders(int playbackVolume, int recordVolume) override;
  void SetInputLevel(int peak) override { inputLevel = peak; }
  void SetOutputLevel(int peak) override { outputLevel = peak; }

  // The information log as "kind|text" lines, and its texts alone.
  QStringList infoLines(qsizetype from = 0) const;
  QStringList infoTexts(qsizetype from = 0) const;
  QStringList chatTexts(qsizetype from = 0) const;
  bool hasInfo(const QString &text) const { return infoTexts().contains(text); }
  bool hasChat(const QString &text) const { return chatTexts().contains(text); }

  QList<QPair<QString, QString>> info;  // kind, text
  QList<ChatLine> chat;
  QStringList tabs{QStringLiteral("INFO"), QStringLiteral("OldLog")};
  QString selectedTab = QStringLiteral("INFO");
  QString viewKey = QStringLiteral("INFO");
  QMap<quint32, Row> rows;
  QString topic;
  QStringList status;
  quint32 ownColour = 0x000000FF;
  int playbackVolume = 1, recordVolume = 1, inputLevel = -1, outputLevel = -1;
  // Calls without a record of their own, in order.
  QStringList calls;
  // Runs at every UpdateVoiceButtons (tests read the engine's state there).
  std::function<void()> onUpdateVoiceButtons;
  // Runs at every UpdateUserCount (tests read the count the window would show).
  std::function<void()> onUpdateUserCount;
};

}  // namespace tv::session::test
