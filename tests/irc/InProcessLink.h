#pragma once
// A pane's link to a clsIRC object that lives in the test process: a real
// ircsock::ClsIRC (real socket, real codec) with short pacing, and switches that make
// its calls fail the way a lost TvIRC does.

#include "irc/IrcLink.h"
#include "ircsock/ClsIRC.h"

namespace tv::test {

class InProcessLink : public irc::IrcLink {
 public:
  explicit InProcessLink(ircsock::ClsIRC::Timings timings);

  bool create() override;
  bool isCreated() const override { return created_; }
  std::optional<QString> ircGetData() override;
  bool ircSendData(const QString &strTxt) override;
  bool ircQuickSend(const QString &strTxt) override;
  std::optional<bool> IsThereRxMessage() override;
  std::optional<bool> IsActive() override;
  std::optional<QString> GetLocalIP() override;
  bool ircClose() override;
  bool DoConnect(const QString &strIP, const QString &strPORT) override;
  bool ircPONG() override;
  void Release() override { released = true; }
  bool failed() const override { return failed_; }
  QString failureDetail() const override { return QStringLiteral("test"); }

  // Makes every later call fail, as a TvIRC that ended does; `signal` also raises
  // linkBroken as a TvIRC leaving the bus between calls does.
  void breakLink(bool signal);

  // Switches set before the pane uses the link.
  bool refuseCreate = false;
  bool failSends = false;
  bool failLocalIP = false;
  QString localAddress;  // what GetLocalIP reports instead of the socket's address
  bool released = false;

 private:
  bool call();

  ircsock::ClsIRC irc_;
  bool created_ = false;
  bool failed_ = false;
};

}  // namespace tv::test
