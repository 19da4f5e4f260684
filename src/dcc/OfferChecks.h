#pragma once
// Checks on the words of a file offer. The first group decides whether a word may be
// carried on TvDcc's command line at all (the main program checks every word that came
// from the network before it starts anything); CheckReceiveOffer decides whether the
// receiver may connect to what the offer names. Pure functions.

#include <QString>
#include <QStringList>

namespace tv::dcc {

// Longest word carried on the command line (UTF-8 bytes).
inline constexpr int kMaxWordBytes = 255;

// Not empty, at most kMaxWordBytes, no blanks, control, format or separator
// characters, not starting with "-" (never taken for an option).
bool IsPlainWord(const QString &word);
// A plain word that names a file inside a folder: no "/" or "\", not starting with ".".
bool IsPlainFileName(const QString &name);
// Decimal digits only (at most 20), of a value from min to max.
bool IsDecimalInRange(const QString &text, quint64 min, quint64 max);
// The four words of an offer (file, IPv4 address as a decimal number, port, size)
// fit the command line: a plain file name, an address up to 4294967295, a port from 1
// to 65535 and a size below 2^63.
bool AreOfferFields(const QStringList &fields);

// What the receiver connects to.
struct ReceiveTarget {
  quint32 address = 0;  // IPv4, host order
  quint16 port = 0;
  qint64 size = 0;
};

// "" when the receiver may connect, else the status text that refuses the offer:
// "送信元のアドレスが正しくありません。" (not a decimal number of a unicast IPv4 address:
// 0.0.0.0/8, multicast, 240.0.0.0/4 and broadcast are refused, as is any number above
// 4294967295), "送信元のポート番号が正しくありません。" (0, the passive form, or above
// 65535), "ファイルサイズが正しくありません。" (not decimal, or 2^63 or more).
QString CheckReceiveOffer(const QString &address, const QString &port, const QString &size,
                          ReceiveTarget &target);

}  // namespace tv::dcc
