#pragma once
// What the IRC pane's commands send and write, from the inputs the pane gathers: the
// current slot's name, the selected entries in list order, the own nickname, the text
// typed into a box, the settings. The pane opens the boxes these describe, sends the
// lines through its send routine (which applies the outgoing-text rules once more) and
// writes the slot lines into the current slot. Pure functions, thread-safe.
//
// Every text the user typed has CR, LF and NUL made blanks here already, so that what
// is stored in the settings and shown in the log is what the server gets.

#include <QString>
#include <QStringList>

namespace tv::app {
class MessageSink;
}

namespace tv::irc {

// An input box as a command opens it. `title` is without the title tag.
struct BoxRequest {
  QString title;
  QString defaultText;
  int imeMode = 0;  // FrmBoxINP::kImeNoControl or kImeOff
  QStringList message;
};

BoxRequest JoinBox();
BoxRequest LimitBox(int userCount);
BoxRequest KeyBox(bool set);
BoxRequest KickBox(const QString &kickMessage);
BoxRequest AwayBox(const QString &awayMessage);

// What one command does: lines for the server, in order, and lines for the current
// slot's log (no speaker).
struct CommandResult {
  QStringList lines;
  QStringList slotLines;
  bool operator==(const CommandResult &) const = default;
};

// A typed text with CR, LF and NUL as blanks and a leading ":" made full-width, as the
// kick, away and topic texts are sent (a bare ":" would end the parameter list early).
QString TypedParameter(const QString &text);
// A nickname taken from a list entry: one status mark removed.
QString EntryNick(const QString &entry);

QString ModeLine(const QString &slot, const QString &mode);

// The limit box's text: "-l" for exactly "0", "+l N" for 1..65535 read as the member
// limit is read (full-width digits, blanks, rounding), error lines otherwise.
CommandResult LimitCommand(const QString &slot, const QString &text);
inline constexpr int kMaxChannelLimit = 65535;

// The key boxes' text: "+k key" / "-k key", or the error lines for a key of other than
// printable ASCII. Nothing for an empty text.
CommandResult KeyCommand(const QString &slot, bool set, const QString &text);

// Operator rights for the entries, three to a MODE line.
QStringList OperatorLines(const QString &slot, QChar sign, const QStringList &entries);
// KICK lines for the entries, three to a line; `reason` as TypedParameter gave it.
QStringList KickLines(const QString &slot, const QStringList &entries, const QString &reason);

// The join box's text: the channel to join, or "" when nothing is to happen. A name
// that breaks the channel-name rule (or holds a control character, which would split
// the channel list file) is explained through `messages`.
QString JoinChannel(const QString &text, app::MessageSink *messages);
// The channel list file's lines with the joined channel appended ticked ("1," + name);
// `existing` is nullopt when the file does not exist (the header comes first then).
QStringList ChannelListWithJoined(const QStringList *existing, const QString &name);

// Away: the line, and what every open slot gets. `text` as TypedParameter gave it;
// an empty text sets nothing.
CommandResult AwaySet(const QString &text);
CommandResult AwayClear(const QString &ownNick);

// Topic from the topic box or the log's selection: nothing for an empty text.
QStringList TopicLines(const QString &slot, const QString &text);

// WHOIS on a double-clicked entry: the slot's line and the query.
CommandResult WhoisCommand(const QString &entry);

// What PART does for the current slot.
enum class PartAction { Quit, Part, ClosePrivate };
PartAction PartFor(bool isChannel, int channelTabs);
QString PartLine(const QString &slot, const QString &partMessage);

// QUIT: the line and the information-log report (its brackets as the program always
// wrote them).
QString QuitLine(const QString &quitMessage);
QString QuitReport(const QString &quitMessage);

// Which voice entries a voice session state enables (0 idle, 1 starting, 2 hosting,
// 3 joined).
struct VoiceEntries {
  bool join = false;     // btnMenuVJOIN
  bool recruit = false;  // btnMenuRECRUITMENT
};
VoiceEntries VoiceEntriesFor(int sessionState);

}  // namespace tv::irc
