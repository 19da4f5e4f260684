#include "platform/peer/PeerResult.h"

#include <iterator>

namespace tv::peer {

namespace {

struct Entry {
  Result code;
  const char *name;
  const char16_t *description;
};

const Entry kEntries[] = {
    {kOk, "S_OK", u"成功しました。"},
    {kPending, "PENDING", u"処理を開始しました。完了は後で通知されます。"},
    {DPNERR_GENERIC, "DPNERR_GENERIC", u"定義されていないエラーが発生しました。"},
    {DPNERR_INVALIDPARAM, "DPNERR_INVALIDPARAM", u"引数が不正です。"},
    {DPNERR_OUTOFMEMORY, "DPNERR_OUTOFMEMORY", u"メモリが不足しています。"},
    {DPNERR_HOSTREJECTEDCONNECTION, "DPNERR_HOSTREJECTEDCONNECTION",
     u"ホストが接続を拒否しました。"},
    {DPNERR_HOSTTERMINATEDSESSION, "DPNERR_HOSTTERMINATEDSESSION",
     u"ホストがセッションを終了しました。"},
    {DPNERR_INVALIDOBJECT, "DPNERR_INVALIDOBJECT", u"オブジェクトが無効です。"},
    {DPNERR_INVALIDPASSWORD, "DPNERR_INVALIDPASSWORD", u"パスワードが違います。"},
    {DPNERR_INVALIDPLAYER, "DPNERR_INVALIDPLAYER", u"プレイヤーIDが無効です。"},
    {DPNERR_INVALIDURL, "DPNERR_INVALIDURL", u"無効なURLです。"},
    {DPNERR_NOTHOST, "DPNERR_NOTHOST", u"このパソコンはセッションのホストではありません。"},
    {DPNERR_SESSIONFULL, "DPNERR_SESSIONFULL", u"セッションが満員です。"},
    {DPNERR_UNINITIALIZED, "DPNERR_UNINITIALIZED", u"初期化されていません。"},
    {DPNERR_NOCONNECTION, "DPNERR_NOCONNECTION", u"接続できませんでした。"},
    {DPNERR_CONNECTIONLOST, "DPNERR_CONNECTIONLOST", u"接続が切れました。"},
    {DPNERR_SENDTOOLARGE, "DPNERR_SENDTOOLARGE", u"メッセージが大きすぎます。(最大16MiB)"},
    {DPNERR_INVALIDGROUP, "DPNERR_INVALIDGROUP", u"グループIDが無効です。"},
    {DPNERR_PLAYERALREADYINGROUP, "DPNERR_PLAYERALREADYINGROUP",
     u"プレイヤーは既にグループに所属しています。"},
    {DPNERR_PLAYERNOTINGROUP, "DPNERR_PLAYERNOTINGROUP",
     u"プレイヤーはグループに所属していません。"},
    {DPNERR_INVALIDHANDLE, "DPNERR_INVALIDHANDLE", u"操作ハンドルが無効です。"},
    {DPNERR_ALREADYCONNECTED, "DPNERR_ALREADYCONNECTED", u"既にセッションに参加しています。"},
    {DPNERR_INVALIDHOSTADDRESS, "DPNERR_INVALIDHOSTADDRESS", u"ホストのアドレスが見つかりません。"},
    {DPNERR_INVALIDDEVICEADDRESS, "DPNERR_INVALIDDEVICEADDRESS",
     u"通信ポートを開けませんでした。(他のプログラムが使用中の可能性があります)"},
    {DPNERR_USERCANCEL, "DPNERR_USERCANCEL", u"操作は取り消されました。"},
    {DVERR_RUNSETUP, "DVERR_RUNSETUP", u"音声の設定テストがまだ行われていません。"},
    {DVERR_NOTINITIALIZED, "DVERR_NOTINITIALIZED", u"音声オブジェクトが初期化されていません。"},
    {DVERR_NOTCONNECTED, "DVERR_NOTCONNECTED", u"音声セッションに接続していません。"},
    {DVERR_ALREADYCONNECTED, "DVERR_ALREADYCONNECTED", u"既に音声セッションに接続しています。"},
    {DVERR_INVALIDTARGET, "DVERR_INVALIDTARGET", u"音声の送信先が無効です。"},
    {DVERR_NOVOICESESSION, "DVERR_NOVOICESESSION", u"音声セッションが開始されていません。"},
    {DVERR_COMPRESSIONNOTSUPPORTED, "DVERR_COMPRESSIONNOTSUPPORTED",
     u"指定された音声圧縮形式には対応していません。"},
    {DVERR_NOTHOST, "DVERR_NOTHOST", u"このパソコンは音声セッションのホストではありません。"},
    {DVERR_SESSIONLOST, "DVERR_SESSIONLOST", u"音声セッションが失われました。"},
    {DVERR_RECORDSYSTEMERROR, "DVERR_RECORDSYSTEMERROR", u"録音デバイスを使用できません。"},
    {DVERR_PLAYBACKSYSTEMERROR, "DVERR_PLAYBACKSYSTEMERROR", u"再生デバイスを使用できません。"},
};

const Entry *find(Result code) {
  for (const Entry &e : kEntries)
    if (e.code == code) return &e;
  return nullptr;
}

}  // namespace

QString resultName(Result code) {
  const Entry *e = find(code);
  return e ? QString::fromLatin1(e->name) : formatResult(code);
}

QString resultDescription(Result code) {
  const Entry *e = find(code);
  return e ? QString::fromUtf16(e->description) : QStringLiteral("不明なエラーです。");
}

QString formatResult(Result code) {
  return QStringLiteral("0x") + QString::number(code, 16).toUpper();
}

}  // namespace tv::peer
