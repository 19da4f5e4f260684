#pragma once
// TvDcc's side of the hand-off: calls SetText once on the endpoint of the window that
// started it ("/Talvora/Dde/<handle>" on Talvora.Instance) and reports whether the main
// program took the line. An error reply or no reply within the time limit is a
// failure. Never starts the main program through the bus. UI thread only.

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>

namespace tv::dcc {

inline constexpr int kDdeTimeoutMs = 5000;

// Starts the call; `done` runs once on the UI thread with the outcome, unless
// `context` is gone by then.
void SendOfferLine(QDBusConnection bus, quint64 handle, const QString &text, QObject *context,
                   std::function<void(bool ok)> done, int timeoutMs = kDdeTimeoutMs);

}  // namespace tv::dcc
