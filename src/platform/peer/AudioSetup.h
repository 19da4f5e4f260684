#pragma once
// Whether this PC's audio set-up test has ever been run: a flag in the platform's own
// settings file in the user's configuration folder (not the program folder), shared by
// every program of the suite. The voice client refuses to connect until it is set.
// Without a file (an empty path: tools such as tvpeer) no set-up is asked for.

#include "platform/profile/ProfileFile.h"

#include <QString>

namespace tv::peer {

class AudioSetup {
 public:
  // Tests pass their own file.
  explicit AudioSetup(const QString &iniPath = defaultPath()) : file_(iniPath) {}

  // <user configuration folder>/Talvora/platform.ini
  static QString defaultPath();

  bool hasRun() const;
  // Records that the set-up has been run. False when the file could not be written.
  bool markRun() const;

 private:
  profile::ProfileFile file_;
};

}  // namespace tv::peer
