#include "platform/profile/ProfileText.h"

#include "platform/text/Cp932.h"
#include "platform/text/TextFile.h"

#include <QList>

namespace tv::profile {
namespace {

QList<QByteArrayView> splitRawLines(QByteArrayView content) {
  QList<QByteArrayView> lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < content.size(); ++i) {
    const char c = content[i];
    if (c != '\r' && c != '\n') continue;
    lines.append(content.sliced(start, i - start));
    if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < content.size()) lines.append(content.sliced(start));
  return lines;
}

QByteArrayView cutAtNul(QByteArrayView line) {
  const qsizetype nul = line.indexOf('\0');
  return nul >= 0 ? line.first(nul) : line;
}

QByteArrayView trimmed(QByteArrayView v) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!v.isEmpty() && blank(v.front())) v = v.sliced(1);
  while (!v.isEmpty() && blank(v.back())) v.chop(1);
  return v;
}

// A section header's name, or empty optional when the line is no header.
std::optional<QByteArrayView> sectionName(QByteArrayView line) {
  line = trimmed(cutAtNul(line));
  if (line.isEmpty() || line.front() != '[') return std::nullopt;
  line = line.sliced(1);
  const qsizetype close = line.indexOf(']');
  if (close >= 0) line = line.first(close);
  return trimmed(line);
}

// A key line's name and raw value, or empty optional when the line has no "=".
struct KeyLine {
  QByteArrayView key;
  QByteArrayView value;
};
std::optional<KeyLine> keyLine(QByteArrayView line) {
  line = cutAtNul(line);
  const qsizetype eq = line.indexOf('=');
  if (eq < 0) return std::nullopt;
  return KeyLine{trimmed(line.first(eq)), trimmed(line.sliced(eq + 1))};
}

bool sameName(QByteArrayView raw, QStringView name) {
  return text::decodeCp932(raw).compare(name.trimmed(), Qt::CaseInsensitive) == 0;
}

QByteArrayView unquoted(QByteArrayView v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.sliced(1, v.size() - 2);
  return v;
}

QByteArray cleanValue(QStringView value) {
  QString v = value.toString();
  for (QChar &c : v)
    if (c == u'\r' || c == u'\n' || c == u'\0') c = u' ';
  return text::encodeCp932(v);
}

}  // namespace

std::optional<QString> findValue(QByteArrayView content, QStringView section, QStringView key) {
  bool inSection = false;
  for (QByteArrayView line : splitRawLines(content)) {
    if (auto name = sectionName(line)) {
      if (inSection) return std::nullopt;  // only the first section of that name counts
      inSection = sameName(*name, section);
      continue;
    }
    if (!inSection) continue;
    if (auto kv = keyLine(line); kv && sameName(kv->key, key))
      return text::decodeCp932(text::truncateCp932(unquoted(kv->value), kMaxValueBytes));
  }
  return std::nullopt;
}

QByteArray setValue(QByteArrayView content, QStringView section, QStringView key,
                    QStringView value) {
  const QList<QByteArrayView> lines = splitRawLines(content);
  const QByteArray newLine = text::encodeCp932(key.trimmed()) + '=' + cleanValue(value);

  qsizetype sectionStart = -1;  // index of the header line of the first matching section
  qsizetype keyIndex = -1;
  qsizetype lastContent = -1;  // last non-blank line inside that section
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (auto name = sectionName(lines[i])) {
      if (sectionStart >= 0) break;
      if (sameName(*name, section)) sectionStart = lastContent = i;
      continue;
    }
    if (sectionStart < 0) continue;
    if (!trimmed(lines[i]).isEmpty()) lastContent = i;
    if (auto kv = keyLine(lines[i]); kv && sameName(kv->key, key)) {
      keyIndex = i;
      break;
    }
  }

  QByteArray out;
  out.reserve(content.size() + newLine.size() + section.size() + 8);
  auto put = [&out](QByteArrayView l) {
    out += l;
    out += "\r\n";
  };
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (i == keyIndex) {
      put(newLine);
      continue;
    }
    put(lines[i]);
    if (keyIndex < 0 && i == lastContent) put(newLine);
  }
  if (sectionStart < 0) {
    put('[' + text::encodeCp932(section.trimmed()) + ']');
    put(newLine);
  }
  return out;
}

}  // namespace tv::profile
