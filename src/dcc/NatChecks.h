#pragma once
// The sender's router settings, checked in the order the window reports them: the
// router's Internet-side address, then the router port forwarded to this PC. Each
// returns the status text of the first failure, or "" when the value is usable.
// Pure functions.

#include <QString>

namespace tv::dcc {

QString CheckNatAddress(const QString &address);
// A port text is numeric as a number would be typed (" 8000 ", "8e3", "8000.5"); it
// must be above 0, below 65536 and whole. On success `port` holds its value.
QString CheckNatPort(const QString &text, quint16 &port);

}  // namespace tv::dcc
