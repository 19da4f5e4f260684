// FrmMain: the sound-test button "テスト" (btnVTEST). The sound test needs the devices
// and the voice service to itself, so it is refused while voice chat or an IRC pane
// runs; otherwise TvSoundTest is started from the program folder and forgotten.
#include "app/ModChk.h"
#include "mainwindow/FrmMain.h"

#include <QFileInfo>
#include <QProcess>

namespace tv::mainwindow {

namespace {
const QString kSoundTest = QStringLiteral("TvSoundTest");
}  // namespace

void FrmMain::attachMessageBox(app::MessageSink *messages) { messages_ = messages; }

void FrmMain::btnVTEST_Click() {
  const QString refused = info_.titleTag + QStringLiteral("音声テストができませんでした");
  if (sessionState() != 0) {
    if (messages_)
      messages_->ViewMSG(QStringLiteral("音声テストは音声チャットを停止してから行ってください"),
                         refused);
    return;
  }
  if (slots_.openCount() > 0) {
    if (messages_)
      messages_->ViewMSG(QStringLiteral("音声テストはIRCを全て閉じてから行ってください"), refused);
    return;
  }
  const QString program = info_.programPath(kSoundTest);
  QString why;
  if (!QFileInfo(program).isFile())
    why = QStringLiteral("TalvoraのフォルダにTvSoundTestが見つかりません。");
  else if (!QProcess::startDetached(program, {}, info_.programFolder))
    why = QStringLiteral("TvSoundTestを起動できませんでした。");
  if (why.isEmpty()) return;
  const QString tv = QStringLiteral("TV");
  const QString err = QStringLiteral("ERR");
  addINF(tv, err, QStringLiteral("音声テストエラー"));
  addINF(tv, err, QStringLiteral("　　<エラーの説明　> ") + why);
  addINF(tv, err, QStringLiteral("　　<エラー後の処理> 音声テストを中止しました。"));
}

}  // namespace tv::mainwindow
