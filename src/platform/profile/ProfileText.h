#pragma once
// The initialisation-file format ("[section]" lines followed by "key=value" lines) as
// pure functions on the file's bytes, so that the reader and the writer can be tested
// and fuzzed without touching the disk.
//
// Rules kept from the profile functions the settings were designed for:
// - section and key names are compared without regard to case;
// - names and values are trimmed of blanks; a value in matching quotes loses them;
// - a missing key gives nothing (the caller's default), an empty value gives "";
// - a value reads back cut to 510 bytes of CP932.

#include <QByteArray>
#include <QString>

#include <optional>

namespace tv::profile {

inline constexpr qsizetype kMaxValueBytes = 510;

// The value of section/key, or empty when the section or the key is missing.
std::optional<QString> findValue(QByteArrayView content, QStringView section, QStringView key);

// The content with section/key set to value: an existing key line is replaced in
// place, a missing key is added at the end of its section, a missing section is
// appended to the file. Other lines are kept byte for byte; line ends become CR LF.
// CR, LF and NUL in the value are replaced by blanks, since they would break the line.
QByteArray setValue(QByteArrayView content, QStringView section, QStringView key,
                    QStringView value);

}  // namespace tv::profile
