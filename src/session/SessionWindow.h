#pragma once
// What the session engine asks of the main window. The engine owns the session
// objects and the step lists; the window owns every widget. FrmMain implements this
// interface; engine tests use a recorder. All calls come on the UI thread.
//
// Player IDs are the platform's 32-bit IDs; participant rows are keyed PlayerKey(id).

#include <QString>

#include <cstdint>

namespace tv::session {

class SessionWindow {
 public:
  virtual ~SessionWindow() = default;

  // Information log row with the area "音声".
  virtual void LogVoiceInfo(const QString &kind, const QString &text) = 0;
  // Appends one line to the voice chat log. senderId 0 is a system line. Returns false
  // (and appends nothing) when senderId is not 0 and has no participant row.
  virtual bool AddChatLine(const QString &text, std::uint32_t senderId, bool rtf) = 0;
  // Enables and disables the voice buttons for the current session state.
  virtual void UpdateVoiceButtons() = 0;

  // Tabs of the main window, by key ("INFO", "OldLog", "VOICE", "IRC<n>").
  virtual bool HasTab(const QString &key) const = 0;
  // Appends a tab at the right end and selects it.
  virtual void AddTab(const QString &key, const QString &caption) = 0;
  virtual void SelectTab(const QString &key) = 0;
  virtual void SyncSelectedTab() = 0;
  virtual void RemoveTab(const QString &key) = 0;

  // Start of a session: empty chat log and participant list, team selectors back to
  // "no team" without sending anything, both mute buttons released; then a mute key
  // that says "muted" mutes at once (through the engine's kept configuration).
  virtual void ResetSessionView() = 0;
  // Saves the voice chat log under the name "VOICE" in the chosen auto-save mode.
  virtual void SaveVoiceLog() = 0;
  // First panel of the status bar.
  virtual void SetStatusText(const QString &text) = 0;

  // Participant list.
  virtual void AddParticipantRow(std::uint32_t id, const QString &name) = 0;
  virtual void RemoveParticipantRow(std::uint32_t id) = 0;
  virtual bool HasParticipantRow(std::uint32_t id) const = 0;
  // The row's name without the host mark ("" when there is no row).
  virtual QString ParticipantName(std::uint32_t id) const = 0;
  virtual void SetParticipantName(std::uint32_t id, const QString &name) = 0;
  virtual void MarkHostRow(std::uint32_t id) = 0;
  // colour: 24-bit colour value, red in the lowest byte.
  virtual void SetUserColor(std::uint32_t id, std::uint32_t colour) = 0;
  virtual void SetUserPing(std::uint32_t id, const QString &text) = 0;
  // team: 0 (no team) to 4.
  virtual void SetUserTeam(std::uint32_t id, int team) = 0;
  virtual void MarkTalking(std::uint32_t id, bool talking) = 0;
  virtual void UpdateUserCount() = 0;

  // The committed topic and the topic line.
  virtual QString Topic() const = 0;
  virtual void SetTopic(const QString &topic) = 0;

  // The 24-bit colour value of this PC's own colour number.
  virtual std::uint32_t OwnColourValue() const = 0;
  // Volume sliders after the voice client connected (hundredths of a dB, -10000..0).
  virtual void SetVolumeSliders(int playbackVolume, int recordVolume) = 0;
  // Level meters, 0..99.
  virtual void SetInputLevel(int peak) = 0;
  virtual void SetOutputLevel(int peak) = 0;
};

}  // namespace tv::session
