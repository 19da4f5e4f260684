#pragma once
// A SessionLink that forwards to an engine object with the same operations, so that
// the engine needs to know nothing of this window's interface. The engine outlives
// the link.

#include "mainwindow/SessionLink.h"

namespace tv::mainwindow {

template <class Engine>
class SessionLinkTo final : public SessionLink {
 public:
  explicit SessionLinkTo(Engine &engine) : engine_(engine) {}

  int SessionState() const override { return engine_.SessionState(); }
  bool HostSearchRunning() const override { return engine_.HostSearchRunning(); }
  std::uint32_t OwnPlayerId() const override { return engine_.OwnPlayerId(); }
  QString OwnNickname() const override { return engine_.OwnNickname(); }
  MemberCount MemberCounts() const override {
    const auto count = engine_.MemberCounts();
    return {count.current, count.maximum};
  }
  bool HoldsSession() const override { return engine_.HoldsSession(); }
  void SendSessionMessage(const QByteArray &message, std::uint32_t target) override {
    engine_.SendSessionMessage(message, target);
  }
  void StopHostSearch() override { engine_.StopHostSearch(); }
  void EndVoiceChat() override { engine_.EndVoiceChat(); }
  void ReleaseSession() override { engine_.ReleaseSession(); }
  void StopSessionTimers() override { engine_.StopSessionTimers(); }

 private:
  Engine &engine_;
};

}  // namespace tv::mainwindow
