#include "dcc/SystemErrorText.h"

#include <cerrno>

namespace tv::dcc {

QString SystemErrorText(int errnoValue) {
  switch (errnoValue) {
    case ENOSPC:
      return QStringLiteral("ディスクの空き容量が足りません");
    case EDQUOT:
      return QStringLiteral("ディスクの使用量の上限を超えました");
    case EFBIG:
      return QStringLiteral("ファイルサイズの上限を超えました");
    case EACCES:
    case EPERM:
      return QStringLiteral("アクセスが拒否されました");
    case EROFS:
      return QStringLiteral("書き込みできないドライブです");
    case EIO:
      return QStringLiteral("入出力エラーが発生しました");
    case ENOENT:
      return QStringLiteral("フォルダが見つかりません");
    case ENAMETOOLONG:
      return QStringLiteral("ファイル名が長すぎます");
    case EEXIST:
      return QStringLiteral("同じ名前のファイルがあります");
    case EADDRINUSE:
      return QStringLiteral("ポートが使用中です");
    case EMFILE:
    case ENFILE:
    case ENOMEM:
    case ENOBUFS:
      return QStringLiteral("システムの資源が足りません");
    default:
      return QStringLiteral("エラー番号 %1").arg(errnoValue);
  }
}

}  // namespace tv::dcc
