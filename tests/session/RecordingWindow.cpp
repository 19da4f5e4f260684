#include "session/RecordingWindow.h"

namespace tv::session::test {

void RecordingWindow::LogVoiceInfo(const QString &kind, const QString &text) {
  info.append({kind, text});
}

bool RecordingWindow::AddChatLine(const QString &text, std::uint32_t senderId, bool rtf) {
  if (senderId != 0 && !rows.contains(senderId)) return false;
  chat.append({text, senderId, rtf});
  return true;
}

void RecordingWindow::UpdateVoiceButtons() {
  calls << QStringLiteral("UpdateVoiceButtons");
  if (onUpdateVoiceButtons) onUpdateVoiceButtons();
}

void RecordingWindow::AddTab(const QString &key, const QString &caption) {
  tabs << key;
  calls << QStringLiteral("AddTab ") + key + u' ' + caption;
  selectedTab = key;
}

void RecordingWindow::SelectTab(const QString &key) {
  if (tabs.contains(key)) selectedTab = key;
}

void RecordingWindow::SyncSelectedTab() { viewKey = selectedTab; }

void RecordingWindow::RemoveTab(const QString &key) {
  const qsizetype at = tabs.indexOf(key);
  if (at < 0) return;
  tabs.removeAt(at);
  calls << QStringLiteral("RemoveTab ") + key;
  if (selectedTab == key) selectedTab = tabs.value(std::max<qsizetype>(at - 1, 0));
  SyncSelectedTab();
}

void RecordingWindow::ResetSessionView() {
  calls << QStringLiteral("ResetSessionView");
  chat.clear();
  rows.clear();
}

void RecordingWindow::AddParticipantRow(std::uint32_t id, const QString &name) {
  rows.insert(id, Row{name});
}

QString RecordingWindow::ParticipantName(std::uint32_t id) const {
  const QString text = rows.value(id).text;
  return text.startsWith(u'@') ? text.mid(1) : text;
}

void RecordingWindow::SetParticipantName(std::uint32_t id, const QString &name) {
  if (rows.contains(id)) rows[id].text = name;
}

void RecordingWindow::MarkHostRow(std::uint32_t id) {
  if (rows.contains(id)) rows[id].text = u'@' + ParticipantName(id);
}

void RecordingWindow::SetUserColor(std::uint32_t id, std::uint32_t colour) {
  if (rows.contains(id)) rows[id].colour = colour;
}

void RecordingWindow::SetUserPing(std::uint32_t id, const QString &text) {
  if (rows.contains(id)) rows[id].ping = text;
}

void RecordingWindow::SetUserTeam(std::uint32_t id, int team) {
  if (rows.contains(id)) rows[id].team = team;
}

void RecordingWindow::MarkTalking(std::uint32_t id, bool talking) {
  if (rows.contains(id)) rows[id].talking = talking;
}

void RecordingWindow::SetVolumeSliders(int playback, int record) {
  playbackVolume = playback;
  recordVolume = record;
}

QStringList RecordingWindow::infoLines(qsizetype from) const {
  QStringList out;
  for (qsizetype i = from; i < info.size(); ++i) out << info[i].first + u'|' + info[i].second;
  return out;
}

QStringList RecordingWindow::infoTexts(qsizetype from) const {
  QStringList out;
  for (qsizetype i = from; i < info.size(); ++i) out << info[i].second;
  return out;
}

QStringList RecordingWindow::chatTexts(qsizetype from) const {
  QStringList out;
  for (qsizetype i = from; i < chat.size(); ++i) out << chat[i].text;
  return out;
}

}  // namespace tv::session::test
