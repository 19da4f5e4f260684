#pragma once
// Helpers shared by the tests: temporary folders, file bytes, waiting on conditions,
// and the program folder of the build.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <functional>

namespace tv::test {

QByteArray readBytes(const QString &path);
void writeBytes(const QString &path, const QByteArray &bytes);

// The folder holding the built programs (Talvora, TvIRC, ...).
QString programFolder();
// The source tree (for test data).
QString sourceFolder();

// Runs the event loop until `done` is true or the time is up; returns `done()`.
bool waitFor(const std::function<bool()> &done,
             std::chrono::milliseconds timeout = std::chrono::seconds(5));

}  // namespace tv::test
