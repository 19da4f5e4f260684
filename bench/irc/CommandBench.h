#pragma once
// The IRC pane's commands on the wire, one "name: value" per line:
//   command_to_wire_ms: a menu command on an idle queue until its line is at a
//     scripted server, through the real TvIRC (median of three);
//   announce_to_mark_ms: two panes in one channel of ngircd, from the recruitment
//     command until the other pane's entry carries the address (median of three);
//   plain_relay_ms: one PRIVMSG between two plain clients on the same ngircd, each
//     idle first as the pane is (median of three).
// The panes are made from `services`, whose link reaches TvIRC; they join the
// channels of its channel list file.

#include <QtGlobal>

namespace tv::irc {
struct IrcPaneServices;
}

// Returns 0, or 1 when a step did not complete (reported on stderr).
int RunCommandBench(const tv::irc::IrcPaneServices &services, quint16 ngircdPort);
