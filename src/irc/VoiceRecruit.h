#pragma once
// Recruiting voice partners in a channel: the announcement a hosting user sends, what
// the recruitment command does with the local and the router's address, and the
// recognition of announcements received from others. Pure functions, apart from
// MarkAnnouncer, which changes the handler's user list.
//
// Recognition trusts nothing but the address: the text must start with the prefix, and
// everything after the first "IP Address=" must be a dotted IPv4 address and nothing
// else. Only the speaker's own entry in the slot's list is marked; own lines never are.

#include "irc/IrcCommands.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace tv::irc {

class IrcHandler;

inline const QString kRecruitPrefix = QStringLiteral("音声参加者募集 Talvora");
inline const QString kRecruitAddressKey = QStringLiteral("IP Address=");

// "音声参加者募集 Talvora" + version + ". IP Address=" + address.
QString AnnouncementText(const QString &version, const QString &address);
// The announced address when the text is a well-formed announcement.
std::optional<QString> AnnouncedAddress(const QString &text);

// What the recruitment command or the router box asks for.
struct RecruitStep {
  enum Kind { kNothing, kError, kAskRouter, kAnnounce };
  Kind kind = kNothing;
  QString address;        // kAnnounce: the address to announce (and, from the box, store)
  QStringList slotLines;  // kError
  BoxRequest box;         // kAskRouter
};
// From the component's local address and the stored RecruitIP ("" when unset).
RecruitStep StartRecruit(const QString &localAddress, const QString &recruitIp);
// The router box's text.
RecruitStep RouterAddressEntered(const QString &text);

// For a received line written into `slot`: marks the speaker's entry with the
// announced address. True when an entry was marked.
bool MarkAnnouncer(IrcHandler &handler, int slot, const QString &speaker, const QString &text);

}  // namespace tv::irc
