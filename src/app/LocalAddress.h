#pragma once

#include <QString>

namespace tv::app {

// This PC's own IPv4 address in dotted form, as a socket bound to the default
// interface would report it: the first address of an interface that is up, not a
// loopback one; "127.0.0.1" when there is none.
QString LocalIpAddress();

}  // namespace tv::app
