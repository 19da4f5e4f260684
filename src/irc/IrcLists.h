#pragma once
// The IRC list files of the program folder: the server list SVList.txt (read only),
// the channel list CHList.txt (the dialog rewrites it; the pane's join command appends
// to it) and the automatic joins taken from it. Pure functions on the files' lines;
// reading and writing the files (CP932, CR LF) is the caller's.

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tv::irc {

struct IrcServer {
  QString displayName;
  QString host;
  int firstPort = 0;
  int portCount = 0;

  int lastPort() const { return firstPort + portCount - 1; }
  // "6667", or "6660～6669" for a range.
  QString portText() const;
  // A port of the range for a random number in [0, 1).
  int portFor(double random01) const;
};

// The server offered when SVList.txt does not exist.
IrcServer DefaultServer();

struct IrcChannelEntry {
  bool checked = false;
  QString name;
  bool operator==(const IrcChannelEntry &) const = default;
};

template <typename T>
struct ListRead {
  QList<T> entries;
  bool missing = false;  // no file: the entries are the defaults
  bool broken = false;   // reading stopped at a damaged line; entries before it remain
};

// The lines of SVList.txt, or nullopt when it does not exist. Comments (":" first) and
// empty lines are skipped. A line is damaged when it has other than four fields, its
// ports leave 1-65535, its port count is below 1 or its host is no host name.
ListRead<IrcServer> ReadServerList(const std::optional<QStringList> &lines);

// The lines of CHList.txt, or nullopt when it does not exist (one ticked "#Talvora").
// A line is damaged when it has other than two fields.
ListRead<IrcChannelEntry> ReadChannelList(const std::optional<QStringList> &lines);
// The check field read as the dialog reads it: "True"/"False" in any case, or a
// number, non-zero meaning ticked; any other text is not ticked.
bool CheckStateFromText(const QString &text);
// The file's lines: the header, then "True,"/"False," + name per entry.
QStringList ChannelListLines(const QList<IrcChannelEntry> &entries);
inline const QString kChannelListHeader = QStringLiteral(":チェック状態,チャンネル名称");

// The channels the pane joins once welcomed, in order: lines whose check field is
// exactly "True" and whose name passes the channel-name rule.
QStringList AutoJoinChannels(const QStringList &lines);

}  // namespace tv::irc
