#pragma once
// Small string routines shared by the IRC parser, the logs and the participant lists.

#include <QString>

#include <cstdint>

namespace tv::app {

QString AfterFirstSpace(const QString &text);                 // whole text when no blank
QString TextBefore(const QString &text, const QString &sep);  // "" when sep is absent
QString TextAfter(const QString &text, const QString &sep);   // whole text when absent
QString StripLeadingColon(const QString &text);
QString RemoveColons(const QString &text);
QString StripLeadingAt(const QString &text);
QString SafeFileName(const QString &text);  // \ / : , ; * ? < > | become "_"
QString PlayerKey(std::int32_t playerId);   // "K" + decimal id

}  // namespace tv::app
