#pragma once
// Forwards a sending TvDcc's offer line (the voice form) inside the session: to the
// first member other than this PC, in the order the session reports its players,
// whose name equals the line's nickname exactly, as a type 7 message whose text is
// the four words after "DCC SEND". When no member has that name nothing is sent.
// UI thread only.

#include <QString>

namespace tv::session {

class SessionEngine;

class FileOfferRelay {
 public:
  explicit FileOfferRelay(SessionEngine &engine) : engine_(engine) {}

  // False when a step failed (no session, the player list or a name could not be
  // read, the message was refused); true when it was sent or nobody matched.
  bool Forward(const QString &offerLine) const;

 private:
  SessionEngine &engine_;
};

}  // namespace tv::session
