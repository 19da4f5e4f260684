#include "irc/IrcLists.h"

#include "app/ModChk.h"
#include "ircsock/ClsIRC.h"
#include "platform/text/LeadingNumber.h"

#include <limits>

namespace tv::irc {
namespace {

bool skipped(const QString &line) { return line.isEmpty() || line.startsWith(u':'); }

int leadingInt(const QString &text) {
  const qint64 v = text::leadingNumber(text);
  return int(
      std::clamp<qint64>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

QString IrcServer::portText() const {
  if (portCount <= 1) return QString::number(firstPort);
  return QString::number(firstPort) + QStringLiteral("～") + QString::number(lastPort());
}

int IrcServer::portFor(double random01) const {
  const int offset = int(std::clamp(random01, 0.0, 1.0) * portCount);
  return firstPort + std::clamp(offset, 0, std::max(0, portCount - 1));
}

IrcServer DefaultServer() {
  return {QStringLiteral("IRCnet (irc.ircnet.ne.jp)"), QStringLiteral("irc.ircnet.ne.jp"), 6660,
          10};
}

ListRead<IrcServer> ReadServerList(const std::optional<QStringList> &lines) {
  ListRead<IrcServer> out;
  if (!lines) {
    out.missing = true;
    out.entries.append(DefaultServer());
    return out;
  }
  for (const QString &line : *lines) {
    if (skipped(line)) continue;
    const QStringList f = line.split(u',');
    IrcServer s;
    if (f.size() == 4) s = {f[0], f[1], leadingInt(f[2]), leadingInt(f[3])};
    if (f.size() != 4 || s.portCount < 1 || s.firstPort < 1 || s.firstPort > 65535 ||
        s.portCount > 65535 || s.lastPort() > 65535 || !ircsock::ClsIRC::isAcceptableHost(s.host)) {
      out.broken = true;
      break;
    }
    out.entries.append(s);
  }
  return out;
}

bool CheckStateFromText(const QString &text) {
  const QString t = text.trimmed();
  if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) return true;
  if (t.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) return false;
  bool ok = false;
  const double v = t.toDouble(&ok);
  return ok && v != 0;
}

ListRead<IrcChannelEntry> ReadChannelList(const std::optional<QStringList> &lines) {
  ListRead<IrcChannelEntry> out;
  if (!lines) {
    out.missing = true;
    out.entries.append({true, QStringLiteral("#Talvora")});
    return out;
  }
  for (const QString &line : *lines) {
    if (skipped(line)) continue;
    const QStringList f = line.split(u',');
    if (f.size() != 2) {
      out.broken = true;
      break;
    }
    out.entries.append({CheckStateFromText(f[0]), f[1]});
  }
  return out;
}

QStringList ChannelListLines(const QList<IrcChannelEntry> &entries) {
  QStringList lines{kChannelListHeader};
  for (const IrcChannelEntry &e : entries)
    lines.append((e.checked ? QStringLiteral("True,") : QStringLiteral("False,")) + e.name);
  return lines;
}

QStringList AutoJoinChannels(const QStringList &lines) {
  QStringList channels;
  for (const QString &line : lines) {
    if (skipped(line)) continue;
    const QStringList f = line.split(u',');
    if (f.size() == 2 && f[0] == u"True" && app::IsValidChannelName(f[1])) channels.append(f[1]);
  }
  return channels;
}

}  // namespace tv::irc
