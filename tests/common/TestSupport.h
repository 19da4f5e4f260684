#pragma once
// Helpers shared by the tests: temporary folders, file bytes, waiting on conditions,
// and the program folder of the build.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <functional>

class QWidget;

namespace tv::test {

QByteArray readBytes(const QString &path);
void writeBytes(const QString &path, const QByteArray &bytes);

// The folder holding the built programs (Talvora, TvIRC, ...).
QString programFolder();
// The source tree (for test data).
QString sourceFolder();

// Object names (comma-separated) of the controls under `root` that a screen reader could not name:
// every button, label, field, list, tab strip and combo box must have an accessible
// name (its caption, or an explicit name for fields without one).
QString unnamedControls(const QWidget *root);

// Runs the event loop until `done` is true or the time is up; returns `done()`.
bool waitFor(const std::function<bool()> &done,
             std::chrono::milliseconds timeout = std::chrono::seconds(5));

}  // namespace tv::test
