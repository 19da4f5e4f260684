#include "mainwindow/ChatText.h"

#include "app/StringRoutines.h"

#include <QTime>

namespace tv::mainwindow {

QString TimeOfDayText(const QTime &time) { return time.toString(QStringLiteral("H:mm:ss")); }

QString OwnLineHeader(const QString &nickname) { return u'>' + nickname + QStringLiteral("< "); }

QString OtherLineHeader(const QString &rowText) {
  return u'<' + app::StripLeadingAt(rowText) + QStringLiteral("> ");
}

QList<ChatRun> SplitChatBody(const QString &text) {
  const QString lineEnd = QStringLiteral("\r\n");
  const qsizetype p = text.indexOf(QLatin1String("http://"), 0, Qt::CaseInsensitive);
  if (p < 0) return {{text + lineEnd, false}};
  QList<ChatRun> runs;
  if (p > 0) runs.append({text.left(p), false});
  const qsizetype q = text.indexOf(u' ', p);
  if (q < 0) {
    runs.append({text.mid(p), true});
    runs.append({lineEnd, false});
  } else {
    runs.append({text.mid(p, q - p), true});
    runs.append({text.mid(q) + lineEnd, false});
  }
  return runs;
}

QString WhisperSentLine(const QString &name, const QString &text) {
  return u'>' + name + QStringLiteral("さんへの密談<") + text;
}

QStringList WhisperToSelfLines() {
  return {QStringLiteral("密談エラー"),
          QStringLiteral("　　<エラーの説明　> 自分自身に対して密談することはできません。")};
}

QStringList FileSendErrorLines(const QString &description) {
  return {QStringLiteral("ファイル送信エラー"),
          QStringLiteral("　　<エラーの説明　> ") + description,
          QStringLiteral("　　<エラー後の処理> ファイル送信を中止しました。")};
}

QStringList WhisperWithoutTargetLines() {
  return {QStringLiteral("密談エラー"),
          QStringLiteral("　　<エラーの説明　> ユーザが選択されていません。")};
}

QStringList TopicSetLines(const QString &topic) {
  return {QStringLiteral("TOPICが設定されました。"), QStringLiteral("　<新TOPIC> ") + topic};
}

QStringList MultipleDropLines() {
  return {QStringLiteral("ファイルドロップエラー"),
          QStringLiteral("　　<エラーの説明> 複数のファイルドロップを検出しました。"),
          QStringLiteral("　　<エラーの説明> ドロップするファイルは１つにしてください。")};
}

QStringList TooLongInputLines(const QString &what, qsizetype capBytes) {
  return {what + QStringLiteral("エラー"),
          QStringLiteral("　　<エラーの説明　> ") + what + QStringLiteral("が長すぎます。") +
              QString::number(capBytes / 1024) +
              QStringLiteral("KB(半角文字で%1文字)までにしてください。").arg(capBytes)};
}

QString TooLongInputInfo(const QString &what, qsizetype capBytes) {
  return what + QStringLiteral("が長すぎるので送信しませんでした。(上限") +
         QString::number(capBytes / 1024) + QStringLiteral("KB)");
}

QString UserCountText(int current, int maximum) {
  return QString::number(current) + QStringLiteral("人参加／") +
         (maximum != 0 ? QString::number(maximum) + QStringLiteral("人制限")
                       : QStringLiteral("人数制限無し"));
}

bool SelectionFitsOneLine(const QString &selection) {
  return !selection.isEmpty() && !selection.contains(QLatin1String("\r\n"));
}

QString TopicFromSelection(const QString &selection) {
  if (selection.startsWith(u':')) return QStringLiteral("：") + selection.mid(1);
  return selection;
}

}  // namespace tv::mainwindow
