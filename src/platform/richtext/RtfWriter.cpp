#include "platform/richtext/RtfWriter.h"

#include "platform/richtext/RtfLimits.h"
#include "platform/richtext/RtfPicture.h"
#include "platform/text/Cp932.h"

#include <QBuffer>
#include <QHash>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>

#include <algorithm>
#include <cmath>

namespace tv::richtext {
namespace {

constexpr int kTwipsPerPixel = 15;  // document pixels are 1/96 inch
constexpr int kWrapColumn = 200;

struct RunStyle {
  int font = 0;
  int halfPoints = 24;
  bool bold = false, italic = false, underline = false, strike = false;
  int color = 0;  // 0: automatic
};

class Writer {
 public:
  Writer(const QTextDocument &doc, int start, int end) : doc_(doc), start_(start), end_(end) {
    fontIndex(doc.defaultFont().family());
  }

  QByteArray run() {
    put("\\pard\\plain ");
    for (QTextBlock block = doc_.findBlock(start_); block.isValid() && block.position() < end_;
         block = block.next()) {
      writeBlock(block);
    }
    QByteArray out = "{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1041{\\fonttbl";
    for (qsizetype i = 0; i < fonts_.size(); ++i) {
      const bool japanese = japanese_[i];
      out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset" + (japanese ? "128 " : "0 ");
      out += escaped(fonts_[i], japanese) + ";}";
    }
    out += "}\r\n{\\colortbl ;";
    for (QRgb c : colors_) {
      out += "\\red" + QByteArray::number(qRed(c)) + "\\green" + QByteArray::number(qGreen(c)) +
             "\\blue" + QByteArray::number(qBlue(c)) + ';';
    }
    out += "}\r\n\\viewkind4\\uc1 ";
    out += body_;
    out += "}\r\n";
    return out;
  }

 private:
  void writeBlock(const QTextBlock &block) {
    const Qt::Alignment align = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    if (align != align_) {
      align_ = align;
      put("\\pard");
      if (align & Qt::AlignHCenter)
        put("\\qc");
      else if (align & Qt::AlignRight)
        put("\\qr");
      else if (align & Qt::AlignJustify)
        put("\\qj");
      put(" ");
    }
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment frag = it.fragment();
      const int from = std::max(frag.position(), start_);
      const int to = std::min(frag.position() + frag.length(), end_);
      if (from >= to) continue;
      writeFragment(frag, from - frag.position(), to - from);
    }
    const int separator = block.position() + block.length() - 1;
    if (separator >= start_ && separator < end_ && block.next().isValid()) {
      put("\\par\r\n");
      column_ = 0;
    }
  }

  void writeFragment(const QTextFragment &frag, int offset, int length) {
    const QTextCharFormat format = frag.charFormat();
    const RunStyle want = styleOf(format);
    switchTo(want);
    const QString text = frag.text().mid(offset, length);
    for (qsizetype i = 0; i < text.size(); ++i) {
      const QChar c = text[i];
      if (c == QChar::ObjectReplacementCharacter) {
        if (format.isImageFormat()) writePicture(format.toImageFormat());
        continue;
      }
      writeChar(c, japanese_[want.font]);
      if (column_ >= kWrapColumn) {
        body_ += "\r\n";
        column_ = 0;
      }
    }
  }

  void writeChar(QChar c, bool japanese) {
    const char16_t u = c.unicode();
    switch (u) {
      case u'\\':
      case u'{':
      case u'}':
        put('\\');
        put(char(u));
        return;
      case u'\t':
        put("\\tab ");
        return;
      case 0x2028:
        put("\\line ");
        return;
      case 0x00A0:
        put("\\~");
        return;
      default:
        break;
    }
    if (u < 0x20) return;
    if (u < 0x80) {
      put(char(u));
      return;
    }
    if (japanese) {
      if (const auto code = text::cp932ExactCode(u)) {
        if (*code > 0xFF) putHex(quint8(*code >> 8));
        putHex(quint8(*code & 0xFF));
        return;
      }
    }
    put("\\u" + QByteArray::number(int(qint16(u))) + '?');
  }

  void putHex(quint8 b) {
    static const char kHex[] = "0123456789abcdef";
    const char s[4] = {'\\', '\'', kHex[b >> 4], kHex[b & 15]};
    put(QByteArrayView(s, 4));
  }

  void writePicture(const QTextImageFormat &format) {
    const auto picture = pictureOf(doc_, format);
    if (!picture) return;
    QByteArray data = picture->data;
    const char *blip = nullptr;
    const PictureKind kind = data.isEmpty() ? PictureKind::Unknown : picture->kind;
    if (kind == PictureKind::Png || kind == PictureKind::Jpeg) {
      blip = kind == PictureKind::Png ? "\\pngblip" : "\\jpegblip";
    } else if (picture->placeholder) {
      // Data we could not show stays as it was for readers that can.
      if (kind == PictureKind::Wmf)
        blip = "\\wmetafile8";
      else if (kind == PictureKind::Emf)
        blip = "\\emfblip";
      else
        return;
    } else {
      data.clear();
      QBuffer buffer(&data);
      if (!buffer.open(QIODevice::WriteOnly) || !picture->image.save(&buffer, "png")) return;
      blip = "\\pngblip";
    }
    const QSize px = picture->image.size();
    const double w = format.width() > 0 ? format.width() : px.width();
    const double h = format.height() > 0 ? format.height() : px.height();
    QByteArray out = QByteArray("{\\pict") + blip;
    out += "\\picw" + QByteArray::number(px.width()) + "\\pich" + QByteArray::number(px.height());
    out += "\\picwgoal" + QByteArray::number(qRound(w * kTwipsPerPixel));
    out += "\\pichgoal" + QByteArray::number(qRound(h * kTwipsPerPixel)) + "\r\n";
    const QByteArray hex = data.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128) {
      out += QByteArrayView(hex).sliced(i, std::min<qsizetype>(128, hex.size() - i));
      out += "\r\n";
    }
    out += '}';
    body_ += out;
    column_ = 0;
  }

  RunStyle styleOf(const QTextCharFormat &f) {
    RunStyle s;
    QString family;
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty()) family = families.front();
    if (family.isEmpty()) family = f.stringProperty(QTextFormat::FontFamily);
    s.font = family.isEmpty() ? 0 : fontIndex(family);
    double points = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : 0.0;
    if (points <= 0) points = doc_.defaultFont().pointSizeF();
    if (points <= 0) points = 12;
    s.halfPoints = std::clamp(int(std::lround(points * 2)), kMinHalfPoints, kMaxHalfPoints);
    s.bold = f.fontWeight() >= QFont::DemiBold;
    s.italic = f.fontItalic();
    s.underline = f.fontUnderline();
    s.strike = f.fontStrikeOut();
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
      s.color = colorIndex(f.foreground().color().rgb());
    return s;
  }

  void switchTo(const RunStyle &want) {
    QByteArray words;
    if (want.font != cur_.font) words += "\\f" + QByteArray::number(want.font);
    if (want.halfPoints != cur_.halfPoints) words += "\\fs" + QByteArray::number(want.halfPoints);
    if (want.bold != cur_.bold) words += want.bold ? "\\b" : "\\b0";
    if (want.italic != cur_.italic) words += want.italic ? "\\i" : "\\i0";
    if (want.underline != cur_.underline) words += want.underline ? "\\ul" : "\\ulnone";
    if (want.strike != cur_.strike) words += want.strike ? "\\strike" : "\\strike0";
    if (want.color != cur_.color) words += "\\cf" + QByteArray::number(want.color);
    if (words.isEmpty()) return;
    put(words + ' ');
    cur_ = want;
  }

  int fontIndex(const QString &family) {
    const auto it = fontIndex_.constFind(family);
    if (it != fontIndex_.cend()) return *it;
    const int index = int(fonts_.size());
    fonts_.append(family);
    japanese_.append(isJapaneseFontFamily(family));
    fontIndex_.insert(family, index);
    return index;
  }

  int colorIndex(QRgb rgb) {
    rgb &= 0xFFFFFF;
    const auto it = colorIndex_.constFind(rgb);
    if (it != colorIndex_.cend()) return *it;
    colors_.append(rgb);
    const int index = int(colors_.size());  // entry 0 is the automatic colour
    colorIndex_.insert(rgb, index);
    return index;
  }

  QByteArray escaped(const QString &name, bool japanese) {
    QByteArray saved;
    std::swap(saved, body_);
    for (QChar c : name) {
      if (c == u';') continue;
      writeChar(c, japanese);
    }
    std::swap(saved, body_);
    return saved;
  }

  void put(char c) {
    body_ += c;
    ++column_;
  }
  void put(QByteArrayView s) {
    body_ += s;
    column_ += s.size();
  }

  const QTextDocument &doc_;
  const int start_, end_;
  QStringList fonts_;
  QList<bool> japanese_;
  QHash<QString, int> fontIndex_;
  QList<QRgb> colors_;
  QHash<QRgb, int> colorIndex_;
  QByteArray body_;
  RunStyle cur_;
  Qt::Alignment align_ = Qt::AlignLeft;
  qsizetype column_ = 0;
};

int clampEnd(const QTextDocument &doc, int end) {
  const int last = std::max(0, doc.characterCount() - 1);
  return end < 0 || end > last ? last : end;
}

}  // namespace

bool isJapaneseFontFamily(const QString &family) {
  for (QChar c : family)
    if (c.unicode() >= 0x80) return true;
  static const char *const kKnown[] = {"MS Gothic",
                                       "MS PGothic",
                                       "MS UI Gothic",
                                       "MS Mincho",
                                       "MS PMincho",
                                       "Meiryo",
                                       "Meiryo UI",
                                       "Yu Gothic",
                                       "Yu Mincho",
                                       "IPAGothic",
                                       "IPAPGothic",
                                       "IPAexGothic",
                                       "IPAMincho",
                                       "IPAPMincho",
                                       "IPAexMincho",
                                       "VL Gothic",
                                       "VL PGothic",
                                       "TakaoGothic",
                                       "TakaoPGothic",
                                       "TakaoMincho",
                                       "Noto Sans CJK JP",
                                       "Noto Serif CJK JP",
                                       "Noto Sans Mono CJK JP",
                                       "Source Han Sans JP",
                                       "Osaka"};
  for (const char *known : kKnown)
    if (family.compare(QLatin1String(known), Qt::CaseInsensitive) == 0) return true;
  return false;
}

QByteArray writeRtf(const QTextDocument &doc, int start, int end) {
  end = clampEnd(doc, end);
  start = std::clamp(start, 0, end);
  return Writer(doc, start, end).run();
}

QString plainTextOf(const QTextDocument &doc, int start, int end) {
  end = clampEnd(doc, end);
  start = std::clamp(start, 0, end);
  QString out;
  for (QTextBlock block = doc.findBlock(start); block.isValid() && block.position() < end;
       block = block.next()) {
    const int from = std::max(block.position(), start);
    const int to = std::min(block.position() + block.length() - 1, end);
    for (QChar c : block.text().mid(from - block.position(), std::max(0, to - from))) {
      if (c == QChar::ObjectReplacementCharacter) continue;
      if (c == QChar::LineSeparator)
        out += QStringLiteral("\r\n");
      else
        out += c;
    }
    const int separator = block.position() + block.length() - 1;
    if (separator >= start && separator < end && block.next().isValid())
      out += QStringLiteral("\r\n");
  }
  return out;
}

}  // namespace tv::richtext
