#pragma once
// A SessionLink that forwards to an engine object and a participant-tools object with
// the same operations, so that neither needs to know this window's interface. Both
// outlive the link.

#include "mainwindow/SessionLink.h"

namespace tv::mainwindow {

template <class Engine, class Tools>
class SessionLinkTo final : public SessionLink {
 public:
  SessionLinkTo(Engine &engine, Tools &tools) : engine_(engine), tools_(tools) {}

  int SessionState() const override { return engine_.SessionState(); }
  bool HostSearchRunning() const override { return engine_.HostSearchRunning(); }
  std::uint32_t OwnPlayerId() const override { return engine_.OwnPlayerId(); }
  QString OwnNickname() const override { return engine_.OwnNickname(); }
  MemberCount MemberCounts() const override {
    const auto count = engine_.MemberCounts();
    return {count.current, count.maximum};
  }
  bool HoldsSession() const override { return engine_.HoldsSession(); }
  std::uint32_t SendSessionMessage(const QByteArray &message, std::uint32_t target) override {
    return engine_.SendSessionMessage(message, target);
  }
  void StopHostSearch() override { engine_.StopHostSearch(); }
  void EndVoiceChat() override { engine_.EndVoiceChat(); }
  void ReleaseSession() override { engine_.ReleaseSession(); }
  void StopSessionTimers() override { engine_.StopSessionTimers(); }
  peer::Result GetClientConfig(peer::VoiceClientConfig &out) const override {
    return engine_.GetClientConfig(out);
  }
  peer::Result SetClientConfig(const peer::VoiceClientConfig &config) override {
    return engine_.SetClientConfig(config);
  }

  void ChooseOwnColour(std::uint32_t colourValue) override { tools_.ChooseOwnColour(colourValue); }
  void ChooseOwnTeam(int team) override { tools_.ChooseOwnTeam(team); }
  void ChooseTransmitTeam(int team) override { tools_.ChooseTransmitTeam(team); }
  void KickMember(std::uint32_t playerId) override { tools_.KickMember(playerId); }
  void SetMemberLimit(const QString &text) override { tools_.SetMemberLimit(text); }
  void RemoveMemberLimit() override { tools_.RemoveMemberLimit(); }
  void LookUpAddress(std::uint32_t playerId, const QString &rowName, int rowCount) override {
    tools_.LookUpAddress(playerId, rowName, rowCount);
  }

 private:
  Engine &engine_;
  Tools &tools_;
};

}  // namespace tv::mainwindow
