#include "irc/VoiceRecruit.h"

#include "app/FrmBoxINP.h"
#include "app/ModChk.h"
#include "irc/IrcHandler.h"
#include "irc/IrcLine.h"

namespace tv::irc {
namespace {

QStringList errorLines(const QString &headline, const QString &description) {
  return {headline, QStringLiteral("　　<エラーの説明　> ") + description,
          QStringLiteral("　　<エラー後の処理> 音声参加者募集を取りやめました。")};
}

}  // namespace

QString AnnouncementText(const QString &version, const QString &address) {
  return kRecruitPrefix + version + QStringLiteral(". ") + kRecruitAddressKey + address;
}

std::optional<QString> AnnouncedAddress(const QString &text) {
  if (!text.startsWith(kRecruitPrefix)) return std::nullopt;
  const qsizetype at = text.indexOf(kRecruitAddressKey);
  if (at < 0) return std::nullopt;
  const QString address = text.mid(at + kRecruitAddressKey.size());
  if (!app::IsValidAddress(address)) return std::nullopt;
  return address;
}

RecruitStep StartRecruit(const QString &localAddress, const QString &recruitIp) {
  if (!app::IsValidAddress(localAddress))
    return {RecruitStep::kError,
            {},
            errorLines(QStringLiteral("音声参加募集エラー(原因不明のローカルIPアドレスエラー)"),
                       QStringLiteral("このパソコンのIPアドレスに不正な文字列を検出しました。")),
            {}};
  if (!app::IsPrivateAddress(localAddress)) return {RecruitStep::kAnnounce, localAddress, {}, {}};
  BoxRequest box{QStringLiteral("ルータ支援機能"),
                 recruitIp.isEmpty() ? localAddress : recruitIp,
                 app::FrmBoxINP::kImeOff,
                 {QStringLiteral("このパソコンはプライベートIPアドレスを使用しています。"),
                  QStringLiteral("　(1)ルータを使用する場合"),
                  QStringLiteral("　　　ルータのグローバルIPアドレスを入力してください。"),
                  QStringLiteral("　(2)ルータを使用しない場合"),
                  QStringLiteral("　　　(社内LANや家庭内LAN同士で通話する場合)"),
                  QStringLiteral("　　　そのままOKを押してください。")}};
  return {RecruitStep::kAskRouter, {}, {}, box};
}

RecruitStep RouterAddressEntered(const QString &text) {
  if (text.isEmpty()) return {};
  if (!app::IsValidAddress(text))
    return {RecruitStep::kError,
            {},
            errorLines(QStringLiteral("音声参加募集エラー(IPアドレス入力エラー)"),
                       QStringLiteral("入力されたIPアドレスに不正な文字列を検出しました。")),
            {}};
  return {RecruitStep::kAnnounce, text, {}, {}};
}

bool MarkAnnouncer(IrcHandler &handler, int slot, const QString &speaker, const QString &text) {
  if (speaker.isEmpty() || sameNick(speaker, handler.nickname())) return false;
  const std::optional<QString> address = AnnouncedAddress(text);
  if (!address) return false;
  const int row = handler.findUser(slot, speaker);
  if (row < 0) return false;
  handler.setUserAddress(slot, row, *address);
  return true;
}

}  // namespace tv::irc
