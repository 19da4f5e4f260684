#pragma once
// The texts of the voice chat log that need no widget: time stamps, name headers, the
// link run of a plain line, whisper and topic lines, the member count, and the rules
// for text taken from a selection. Pure functions.

#include <QList>
#include <QString>
#include <QStringList>

class QTime;

namespace tv::mainwindow {

// Local time of day as the logs show it ("9:05:07").
QString TimeOfDayText(const QTime &time);

// Name headers: other members' lines are "<name> ", this PC's own lines are framed the
// other way round, ">name< ". A row's host mark "@" is not part of the name.
QString OwnLineHeader(const QString &nickname);
QString OtherLineHeader(const QString &rowText);

// One run of a plain chat line's body. Only the first "http://" of a line (in any
// case) is a link; it runs to the first blank after it or to the end of the text.
// The last run ends with CR LF and is never a link.
struct ChatRun {
  QString text;
  bool link = false;
  bool operator==(const ChatRun &) const = default;
};
QList<ChatRun> SplitChatBody(const QString &text);

// ">" + name + "さんへの密談<" + text: the line that shows a whisper was sent.
QString WhisperSentLine(const QString &name, const QString &text);
// "密談エラー" and its detail line for a whisper to oneself, or to nobody.
QStringList WhisperToSelfLines();
QStringList WhisperWithoutTargetLines();
// "ファイル送信エラー", the description and "ファイル送信を中止しました。": a file offer
// that could not be started, from the main window or an IRC pane.
QStringList FileSendErrorLines(const QString &description);
// "TOPICが設定されました。" and "　<新TOPIC> " + topic.
QStringList TopicSetLines(const QString &topic);
// The three lines that refuse a drop of several files.
QStringList MultipleDropLines();
// A text over its cap is not sent: the chat log's two error lines and the information
// log's text. `what` names the text ("発言", "密談", "TOPIC"); the cap is in bytes.
QStringList TooLongInputLines(const QString &what, qsizetype capBytes);
QString TooLongInputInfo(const QString &what, qsizetype capBytes);

// "3人参加／8人制限", or "3人参加／人数制限無し" when maximum is 0.
QString UserCountText(int current, int maximum);

// A selection may become the topic or be copied from the menu when it is not empty
// and stays within one line.
bool SelectionFitsOneLine(const QString &selection);
// A topic taken from a selection: a leading ":" becomes the full-width "：", so that
// IRC servers and peers do not take it for a parameter marker.
QString TopicFromSelection(const QString &selection);

}  // namespace tv::mainwindow
