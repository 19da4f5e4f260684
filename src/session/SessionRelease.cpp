// SessionEngine: the release sequence and the end of voice chat.
#include "session/Pacer.h"
#include "session/SessionEngine.h"
#include "session/SessionWindow.h"

namespace tv::session {

using namespace tv::peer;

void SessionEngine::CancelSearch() {
  // A failure is ignored: the search is given up either way.
  if (searchHandle_ != 0 && peer_) peer_->CancelAsyncOperation(searchHandle_);
  searchHandle_ = 0;
}

void SessionEngine::StopHostSearch() {
  timSRCH_.stop();
  CancelSearch();
}

void SessionEngine::StopSessionTimers() {
  timDx8Clear_.stop();
  timSRCH_.stop();
  timPING_.stop();
}

void SessionEngine::EndVoiceChat() {
  const QString voiceTab = QStringLiteral("VOICE");
  if (!window_.HasTab(voiceTab)) return;
  window_.RemoveTab(voiceTab);
  window_.SaveVoiceLog();
  window_.SyncSelectedTab();
  report_.Log(kKindStop, QStringLiteral("音声通信の終了を開始します。"));
  if (!PumpKeeps()) return;
  ReleaseSession();
}

void SessionEngine::ReleaseSession() {
  if (releasing_) return;
  releasing_ = true;
  ++generation_;
  // Nothing is left for the search, deferred-release or latency ticks to act on.
  StopSessionTimers();
  window_.SelectTab(QStringLiteral("INFO"));
  window_.SyncSelectedTab();
  pacer_.Pump();

  // Each step ignores failures and goes on; each is skipped when its object is gone.
  const auto step = [this](const QString &text, bool pause) {
    if (pause) pacer_.Pause();
    report_.Log(kKindStop, text);
    pacer_.Pump();
  };
  if (peer_) {
    if (searchHandle_ != 0) {
      CancelSearch();
      report_.Log(kKindStop, QStringLiteral("ホストサーチを中止しました。"));
    }
    peer_->UnRegisterMessageHandler();
    step(QStringLiteral("DirectX8のピア接続用メッセージハンドラを解放しました。"), true);
  }
  if (voiceClient_) {
    voiceClient_->StopClientNotification();
    step(QStringLiteral("DirectX8の音声クライアント用メッセージハンドラを解放しました。"), true);
  }
  if (voiceServer_) {
    voiceServer_->StopServerNotification();
    step(QStringLiteral("DirectX8の音声サーバ用メッセージハンドラを解放しました。"), true);
  }
  if (peer_) {
    peer_->Close();
    step(QStringLiteral("DirectX8のピア接続をクローズしました。"), true);
  }
  if (voiceClient_) {
    voiceClient_->Disconnect();
    step(QStringLiteral("DirectX8の音声クライアントを切断しました。"), true);
  }
  if (voiceServer_ && state_ == kHost) {
    voiceServer_->StopSession();
    step(QStringLiteral("DirectX8の音声サーバのセッションを停止しました。"), true);
  }
  if (device_) {
    device_.reset();
    step(QStringLiteral("DirectX8のメモリ解放(アドレスモジュール)"), false);
  }
  if (voiceClient_) {
    voiceClient_->disconnect(this);
    voiceClient_.reset();
    voiceConnected_ = false;
    step(QStringLiteral("DirectX8のメモリ解放(音声クライアント)"), false);
  }
  if (voiceServer_) {
    voiceServer_.reset();
    step(QStringLiteral("DirectX8のメモリ解放(音声サーバ)"), false);
  }
  if (peer_) {
    peer_->disconnect(this);
    peer_.reset();
    step(QStringLiteral("DirectX8のメモリ解放(ピア接続)"), false);
  }
  if (rootHeld_) {
    rootHeld_ = false;
    step(QStringLiteral("DirectX8のメモリ解放(DirectX8本体)"), false);
  }
  if (sinkHeld_) {
    sinkHeld_ = false;
    step(QStringLiteral("DirectX8のイベントモジュール解放"), false);
  }
  report_.Log(kKindStop, QStringLiteral("DirectX8の解放完了"));
  SetState(kIdle);
  releasing_ = false;
  window_.UpdateVoiceButtons();
}

}  // namespace tv::session
