#pragma once
// TvDcc's command line. The arguments are joined with single blanks and the result is
// split at single blanks again, so an argument holding a blank counts as two words,
// as it would on a command line typed by hand. Word 0 is the mode, compared without
// regard to case. Pure functions.

#include <QString>
#include <QStringList>

namespace tv::dcc {

enum class Mode { Vsend, Isend, Vrec, Irec };

// "VSEND", "ISEND", "VREC", "IREC".
QString ModeWord(Mode mode);
bool IsSendMode(Mode mode);

// Word counts, the mode included.
inline constexpr int kSendWordCount = 3;     // mode, link handle, receiver's nickname
inline constexpr int kReceiveWordCount = 7;  // mode, handle, sender, file, address, port, size

QStringList CommandWords(const QStringList &arguments);

struct StartCommand {
  enum class Kind {
    Quit,        // empty command line or an unknown mode: end without a word
    BadCommand,  // a known mode with the wrong number of words: the error box, then end
    Start,       // open the mode's window
  };
  Kind kind = Kind::Quit;
  Mode mode = Mode::Vsend;
  QStringList words;  // all words, the mode first as given
};

StartCommand ParseStartCommand(const QStringList &arguments);

// The numeric value of the link-handle word (leading-number rule; negative is 0).
quint64 LinkHandleOf(const QString &word);

}  // namespace tv::dcc
