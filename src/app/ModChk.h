#pragma once
// Input rules applied to user input and to data received from the network. Each rule
// is a pure function of its text; three can explain a failure in a message box.

#include <QString>

namespace tv::app {

// Where a rule shows its explanation: the program's message box in the application,
// a recorder in tests.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void ViewMSG(const QString &message, const QString &title) = 0;
};

bool IsValidNickname(const QString &text, MessageSink *showMessage = nullptr);
// True when the text is reserved (callers treat true as a failure).
bool IsReservedNickname(const QString &text, MessageSink *showMessage = nullptr);
bool IsValidChannelName(const QString &text, MessageSink *showMessage = nullptr);
bool IsValidPassword(const QString &text);
bool IsAllDigits(const QString &text);
bool IsValidAddress(const QString &text);
bool IsPrivateAddress(const QString &text);

// The message texts, CR LF between lines, exactly as the boxes show them.
QString NicknameRulesMessage();
QString ChannelRulesMessage();

}  // namespace tv::app
