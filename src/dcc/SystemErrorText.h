#pragma once
// Japanese reasons for the system errors a transfer meets, for the texts in brackets
// after a failure ("ファイルを書き込めませんでした。(" + reason + ")").

#include <QString>

namespace tv::dcc {

// The reason for an errno value; unknown values as "エラー番号 " + the number.
QString SystemErrorText(int errnoValue);

}  // namespace tv::dcc
