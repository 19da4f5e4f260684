#include "platform/richtext/RtfReader.h"

#include "platform/richtext/RtfCodePages.h"
#include "platform/richtext/RtfPicture.h"

#include <QHash>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>

#include <algorithm>
#include <vector>

namespace tv::richtext {
namespace {

constexpr int kMaxWordLetters = 32;
constexpr qsizetype kMaxFontNameBytes = 256;
constexpr int kMaxUc = 16;
constexpr double kTwipsPerPixel = 15.0;

enum class Dest { Normal, Skip, FontTable, ColorTable, Pict, Object, ObjectChild };

struct CharProps {
  int font = -1;  // -1: the default font
  int halfPoints = 24;
  bool bold = false, italic = false, underline = false, strike = false;
  int color = 0;
  // Associated properties (\af, \afs, \ab, \ai) apply to double-byte runs (\dbch);
  // writers such as LibreOffice put the format of Japanese text there. Unset: -1.
  bool dbch = false, rtlch = false;
  int aFont = -1, aHalfPoints = -1, aBold = -1, aItalic = -1;
  bool operator==(const CharProps &) const = default;

  // The properties the run's text is shown with.
  CharProps effective() const {
    CharProps e = *this;
    if (!dbch) return e;
    if (aFont >= 0) e.font = aFont;
    if (aHalfPoints > 0) e.halfPoints = aHalfPoints;
    if (aBold >= 0) e.bold = aBold;
    if (aItalic >= 0) e.italic = aItalic;
    return e;
  }
};

struct State {
  Dest dest = Dest::Normal;
  CharProps chars;
  int uc = 1;
  Qt::Alignment align = Qt::AlignLeft;
};

struct Font {
  QString name;
  int codePage = 0;
};

struct Item {
  enum Kind { Text, Break, Picture } kind = Text;
  QString text;
  QTextCharFormat format;
  Qt::Alignment align = Qt::AlignLeft;
  DocumentPicture picture;
  QSizeF size;
};

struct PictState {
  PictureKind kind = PictureKind::Unknown;
  QByteArray data;
  bool tooBig = false;
  int nibble = -1;
  int picw = 0, pich = 0, goalw = 0, goalh = 0, scalex = 100, scaley = 100;
};

struct FontEntry {
  int number = -1;
  int charset = -1;
  int codePage = 0;
  QByteArray name;
};

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isSkippedDestination(QByteArrayView w) {
  static const char *const kWords[] = {
      "stylesheet", "info",     "header",   "headerl",  "headerr",   "headerf",
      "footer",     "footerl",  "footerr",  "footerf",  "footnote",  "ftnsep",
      "ftnsepc",    "ftncn",    "aftnsep",  "aftnsepc", "aftncn",    "fldinst",
      "nonshppict", "shpinst",  "revtbl",   "filetbl",  "listtable", "listoverridetable",
      "xe",         "tc",       "txe",      "rxe",      "bkmkstart", "bkmkend",
      "pn",         "template", "author",   "operator", "title",     "subject",
      "keywords",   "comment",  "doccomm",  "creatim",  "revtim",    "printim",
      "buptim",     "fonttbl_", "pgdsctbl", "rsidtbl",  "generator", "xmlnstbl",
      "mmathPr"};
  for (const char *word : kWords)
    if (w == QByteArrayView(word)) return true;
  return false;
}

class Parser {
 public:
  Parser(QByteArrayView in, const RtfLimits &limits, const std::atomic_bool *cancel = nullptr)
      : in_(in), limits_(limits), cancel_(cancel) {}

  RtfReadResult parse() {
    if (in_.size() > limits_.maxInputBytes) return fail(RtfStatus::TooLarge);
    if (!looksLikeRtf(in_)) return fail(RtfStatus::NotRtf);
    constexpr qsizetype kCancelCheck = 1 << 16;
    qsizetype nextCheck = kCancelCheck;
    while (pos_ < in_.size() && result_.ok() && !finished_) {
      step();
      if (cancel_ && pos_ >= nextCheck) {
        nextCheck = pos_ + kCancelCheck;
        if (cancel_->load(std::memory_order_relaxed)) return fail(RtfStatus::Cancelled);
      }
    }
    if (!result_.ok()) return result_;
    if (!finished_) {
      result_.truncated = true;
      finalAlign_ = st_.align;
      const bool inPicture = st_.dest == Dest::Pict ||
                             std::any_of(stack_.begin(), stack_.end(),
                                         [](const State &s) { return s.dest == Dest::Pict; });
      if (inPicture) finishPicture();
    }
    emitRun();
    return result_;
  }

  void insert(QTextCursor &cursor) { insertSome(cursor, -1); }

  // Inserts items from where the last call stopped, about `budget` characters' worth
  // (a picture counts as kPictureWeight), at least one item; all of them for a
  // negative budget. False once everything is in.
  bool insertSome(QTextCursor &cursor, qsizetype budget) {
    if (next_ > items_.size()) return false;
    if (next_ == 0) last_ = cursor.charFormat();
    cursor.beginEditBlock();
    qsizetype spent = 0;
    while (next_ < items_.size() && (budget < 0 || spent < budget || spent == 0)) {
      const Item &item = items_[next_++];
      switch (item.kind) {
        case Item::Text:
          cursor.insertText(item.text, item.format);
          last_ = item.format;
          spent += std::max<qsizetype>(1, item.text.size());
          break;
        case Item::Break:
          setAlignment(cursor, item.align);
          cursor.insertBlock(QTextBlockFormat(), last_);
          ++spent;
          break;
        case Item::Picture:
          insertPicture(cursor, item.picture, item.size);
          spent += kPictureWeight;
          break;
      }
    }
    const bool more = next_ < items_.size();
    if (!more) {
      setAlignment(cursor, finalAlign_);
      next_ = items_.size() + 1;
    }
    cursor.endEditBlock();
    return more;
  }

 private:
  static void setAlignment(QTextCursor &cursor, Qt::Alignment align) {
    if (align == Qt::AlignLeft && cursor.blockFormat().alignment() == Qt::AlignLeft) return;
    QTextBlockFormat format = cursor.blockFormat();
    format.setAlignment(align);
    cursor.setBlockFormat(format);
  }

  RtfReadResult fail(RtfStatus status) {
    result_.status = status;
    return result_;
  }

  void step() {
    const char c = in_[pos_++];
    switch (c) {
      case '{':
        openGroup();
        return;
      case '}':
        closeGroup();
        return;
      case '\\':
        controlSequence();
        return;
      default:
        textByte(quint8(c));
        return;
    }
  }

  void openGroup() {
    skipUnits_ = 0;
    if (int(stack_.size()) >= limits_.maxDepth) {
      result_.status = RtfStatus::TooDeep;
      return;
    }
    stack_.push_back(st_);
    if (st_.dest == Dest::Object)
      st_.dest = Dest::ObjectChild;
    else if (st_.dest == Dest::Pict)
      st_.dest = Dest::Skip;
    firstInGroup_ = true;
    star_ = false;
  }

  void closeGroup() {
    skipUnits_ = 0;
    if (stack_.empty()) {
      finished_ = true;
      return;
    }
    const Dest closing = st_.dest;
    if (closing == Dest::FontTable) commitFont();
    if (stack_.size() == 1) finalAlign_ = st_.align;
    st_ = stack_.back();
    stack_.pop_back();
    if (closing == Dest::Pict && st_.dest != Dest::Pict) finishPicture();
    if (stack_.empty()) finished_ = true;
    firstInGroup_ = false;
  }

  void controlSequence() {
    if (pos_ >= in_.size()) return;
    const char c = in_[pos_];
    if (isLetter(c)) {
      controlWord();
      return;
    }
    ++pos_;
    if (c == '*') {
      star_ = true;
      return;
    }
    if (skipUnits_ > 0 && c != '\\' && c != '{' && c != '}') {
      if (c == '\'') readHex();
      --skipUnits_;
      return;
    }
    switch (c) {
      case '\'': {
        const int value = readHex();
        if (value >= 0) textByte(quint8(value), true);
        break;
      }
      case '\\':
      case '{':
      case '}':
        if (skipUnits_ > 0)
          --skipUnits_;
        else
          textByte(quint8(c), true);
        break;
      case '~':
        appendChar(0x00A0);
        break;
      case '_':
        appendChar(0x2011);
        break;
      case '\r':
      case '\n':
        paragraph();
        break;
      default:
        break;  // optional hyphen, index and formula marks
    }
    firstInGroup_ = false;
  }

  int readHex() {
    int value = 0, digits = 0;
    while (digits < 2 && pos_ < in_.size()) {
      const int h = hexValue(in_[pos_]);
      if (h < 0) break;
      value = value * 16 + h;
      ++digits;
      ++pos_;
    }
    return digits ? value : -1;
  }

  static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

  void controlWord() {
    const qsizetype start = pos_;
    while (pos_ < in_.size() && isLetter(in_[pos_])) ++pos_;
    const QByteArrayView word =
        in_.sliced(start, std::min<qsizetype>(pos_ - start, kMaxWordLetters));
    bool hasParam = false;
    qint64 param = 0;
    bool negative = false;
    if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() && in_[pos_ + 1] >= '0' &&
        in_[pos_ + 1] <= '9') {
      negative = true;
      ++pos_;
    }
    while (pos_ < in_.size() && in_[pos_] >= '0' && in_[pos_] <= '9') {
      hasParam = true;
      param = std::min<qint64>(param * 10 + (in_[pos_] - '0'), qint64(1) << 31);
      ++pos_;
    }
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
    const int n = int(std::clamp<qint64>(negative ? -param : param, -(qint64(1) << 31) + 1,
                                         (qint64(1) << 31) - 1));
    if (word == "bin") {
      binary(hasParam ? n : 0);
      return;
    }
    if (skipUnits_ > 0) {
      --skipUnits_;
      return;
    }
    if (firstInGroup_) {
      firstInGroup_ = false;
      if (destination(word)) return;
    }
    apply(word, hasParam, n);
  }

  // The first control word of a group may name its destination.
  bool destination(QByteArrayView w) {
    const bool starred = std::exchange(star_, false);
    if (st_.dest == Dest::ObjectChild) {
      st_.dest = w == "result" ? Dest::Normal : Dest::Skip;
      return true;
    }
    if (st_.dest != Dest::Normal) return false;
    if (w == "fonttbl")
      st_.dest = Dest::FontTable;
    else if (w == "colortbl")
      st_.dest = Dest::ColorTable;
    else if (w == "pict") {
      st_.dest = Dest::Pict;
      pict_ = PictState();
    } else if (w == "object")
      st_.dest = Dest::Object;
    else if (isSkippedDestination(w))
      st_.dest = Dest::Skip;
    else if (w == "shppict" || w == "fldrslt" || w == "field" || w == "shp" || w == "shprslt" ||
             w == "listtext" || w == "pntext" || w == "rtf" || w == "upr")
      return false;
    else if (starred)
      st_.dest = Dest::Skip;
    else
      return false;
    return st_.dest != Dest::Normal;
  }

  void binary(int n) {
    const qsizetype count = std::clamp<qsizetype>(n, 0, in_.size() - pos_);
    if (st_.dest == Dest::Pict) appendPictData(in_.sliced(pos_, count));
    pos_ += count;
    if (skipUnits_ > 0) --skipUnits_;
  }

  void apply(QByteArrayView w, bool hasParam, int n) {
    const bool on = !hasParam || n != 0;
    CharProps &c = st_.chars;
    if (st_.dest == Dest::Pict) {
      pictWord(w, n);
      return;
    }
    if (st_.dest == Dest::FontTable) {
      if (w == "f") {
        if (!font_.name.isEmpty()) commitFont();
        font_.number = n;
      } else if (w == "fcharset") {
        font_.charset = n;
      } else if (w == "cpg") {
        font_.codePage = n;
      }
      return;
    }
    if (st_.dest == Dest::ColorTable) {
      if (w == "red")
        color_.setRed(std::clamp(n, 0, 255));
      else if (w == "green")
        color_.setGreen(std::clamp(n, 0, 255));
      else if (w == "blue")
        color_.setBlue(std::clamp(n, 0, 255));
      else
        return;
      colorSet_ = true;
      return;
    }
    if (w == "par" || w == "row" || w == "page" || w == "sect")
      paragraph();
    else if (w == "line")
      appendChar(0x2028);
    else if (w == "tab" || w == "cell")
      appendChar(u'\t');
    else if (w == "u")
      unicode(n);
    else if (w == "uc")
      st_.uc = std::clamp(n, 0, kMaxUc);
    else if (w == "plain")
      c = CharProps();
    else if (w == "pard")
      st_.align = Qt::AlignLeft;
    else if (w == "ql")
      st_.align = Qt::AlignLeft;
    else if (w == "qc")
      st_.align = Qt::AlignHCenter;
    else if (w == "qr")
      st_.align = Qt::AlignRight;
    else if (w == "qj")
      st_.align = Qt::AlignJustify;
    else if (w == "b")
      c.bold = on;
    else if (w == "i")
      c.italic = on;
    else if (w == "strike" || w == "striked")
      c.strike = on;
    else if (w == "ulnone")
      c.underline = false;
    else if (w.startsWith("ul") && w != "ulc")
      c.underline = on;
    else if (w == "fs")
      c.halfPoints = hasParam ? std::clamp(n, kMinHalfPoints, kMaxHalfPoints) : 24;
    else if (w == "f")
      c.font = n;
    else if (w == "loch" || w == "hich")
      c.dbch = false;
    else if (w == "dbch")
      c.dbch = true;
    else if (w == "rtlch")
      c.rtlch = true;
    else if (w == "ltrch")
      c.rtlch = false;
    else if (c.rtlch && (w == "af" || w == "afs" || w == "ab" || w == "ai"))
      return;  // right-to-left text is not shown differently
    else if (w == "af")
      c.aFont = n;
    else if (w == "afs")
      c.aHalfPoints = hasParam ? std::clamp(n, kMinHalfPoints, kMaxHalfPoints) : 24;
    else if (w == "ab")
      c.aBold = on;
    else if (w == "ai")
      c.aItalic = on;
    else if (w == "cf")
      c.color = n;
    else if (w == "deff")
      deff_ = n;
    else if (w == "ansicpg")
      docCodePage_ = n;
    else if (w == "emdash")
      appendChar(0x2014);
    else if (w == "endash")
      appendChar(0x2013);
    else if (w == "bullet")
      appendChar(0x2022);
    else if (w == "lquote")
      appendChar(0x2018);
    else if (w == "rquote")
      appendChar(0x2019);
    else if (w == "ldblquote")
      appendChar(0x201C);
    else if (w == "rdblquote")
      appendChar(0x201D);
    else if (w == "emspace")
      appendChar(0x2003);
    else if (w == "enspace")
      appendChar(0x2002);
  }

  void pictWord(QByteArrayView w, int n) {
    if (w == "pngblip")
      pict_.kind = PictureKind::Png;
    else if (w == "jpegblip")
      pict_.kind = PictureKind::Jpeg;
    else if (w == "dibitmap")
      pict_.kind = PictureKind::Dib;
    else if (w == "wmetafile")
      pict_.kind = PictureKind::Wmf;
    else if (w == "emfblip")
      pict_.kind = PictureKind::Emf;
    else if (w == "wbitmap" || w == "macpict" || w == "pmmetafile")
      pict_.kind = PictureKind::Unknown;
    else if (w == "picw")
      pict_.picw = n;
    else if (w == "pich")
      pict_.pich = n;
    else if (w == "picwgoal")
      pict_.goalw = n;
    else if (w == "pichgoal")
      pict_.goalh = n;
    else if (w == "picscalex")
      pict_.scalex = n;
    else if (w == "picscaley")
      pict_.scaley = n;
  }

  void unicode(int n) {
    appendChar(char16_t(n < 0 ? n + 65536 : n));
    skipUnits_ = st_.uc;
  }

  void textByte(quint8 b, bool escaped = false) {
    if (!escaped && (b == '\r' || b == '\n')) return;
    if (skipUnits_ > 0) {
      --skipUnits_;
      return;
    }
    firstInGroup_ = false;
    switch (st_.dest) {
      case Dest::Normal:
        if (b == '\t')
          appendChar(u'\t');
        else if (b >= 0x20)
          appendByte(b);
        return;
      case Dest::FontTable:
        if (b == ';')
          commitFont();
        else if (font_.name.size() < kMaxFontNameBytes)
          font_.name += char(b);
        return;
      case Dest::ColorTable:
        if (b == ';') commitColor();
        return;
      case Dest::Pict:
        pictHex(b);
        return;
      default:
        return;
    }
  }

  void pictHex(quint8 b) {
    const int h = hexValue(char(b));
    if (h < 0) return;
    if (pict_.nibble < 0) {
      pict_.nibble = h;
      return;
    }
    const char byte = char(pict_.nibble * 16 + h);
    pict_.nibble = -1;
    appendPictData(QByteArrayView(&byte, 1));
  }

  void appendPictData(QByteArrayView data) {
    if (pict_.tooBig) return;
    if (pict_.data.size() + data.size() > limits_.maxPictureBytes ||
        picturesBytes_ + data.size() > limits_.maxPicturesBytes) {
      pict_.tooBig = true;
      pict_.data.clear();
      return;
    }
    pict_.data += data;
    picturesBytes_ += data.size();
  }

  void finishPicture() {
    emitRun();
    PictState p = std::exchange(pict_, PictState());
    DocumentPicture picture;
    picture.kind = p.kind;
    if (!p.tooBig) picture.image = decodePicture(p.kind, p.data, limits_.maxPicturePixels);
    // Display size: the goal size in twips, else the picture's own size.
    double w = p.goalw > 0 ? p.goalw / kTwipsPerPixel : 0;
    double h = p.goalh > 0 ? p.goalh / kTwipsPerPixel : 0;
    if (w <= 0 || h <= 0) {
      if (!picture.image.isNull()) {
        w = picture.image.width();
        h = picture.image.height();
      } else if (p.kind == PictureKind::Wmf || p.kind == PictureKind::Emf) {
        w = p.picw * 96.0 / 2540.0;  // metafile extents are in 0.01 mm
        h = p.pich * 96.0 / 2540.0;
      } else {
        w = p.picw;
        h = p.pich;
      }
    }
    w *= std::clamp(p.scalex, 1, 1000) / 100.0;
    h *= std::clamp(p.scaley, 1, 1000) / 100.0;
    if (w < 1 || h < 1) w = h = 48;
    w = std::min(w, 10000.0);
    h = std::min(h, 10000.0);
    if (picture.image.isNull()) {
      picture.placeholder = true;
      picture.image = placeholderPicture(QSize(std::min(int(w), 256), std::min(int(h), 256)));
      ++result_.placeholders;
    }
    if (!p.tooBig) picture.data = std::move(p.data);
    ++result_.pictures;
    Item item;
    item.kind = Item::Picture;
    item.picture = std::move(picture);
    item.size = QSizeF(w, h);
    items_.push_back(std::move(item));
    countText(1);
  }

  void commitFont() {
    if (font_.number >= 0 && int(fonts_.size()) < limits_.maxFonts) {
      int codePage =
          font_.codePage > 0 ? font_.codePage : codePageOfCharset(font_.charset, docCodePage_);
      Font f{decodeBytes(font_.name, codePage).trimmed(), codePage};
      fonts_.insert(font_.number, f);
    }
    font_ = FontEntry();
  }

  void commitColor() {
    if (colors_.size() < limits_.maxColors) colors_.append(colorSet_ ? color_ : QColor());
    color_ = QColor(0, 0, 0);
    colorSet_ = false;
  }

  void paragraph() {
    if (st_.dest != Dest::Normal) return;
    emitRun();
    Item item;
    item.kind = Item::Break;
    item.align = st_.align;
    items_.push_back(std::move(item));
    countText(1);
  }

  void startRunIfChanged() {
    if (!(st_.chars == run_)) {
      emitRun();
      run_ = st_.chars;
    }
  }

  void appendByte(quint8 b) {
    startRunIfChanged();
    pendingBytes_ += char(b);
    countText(0);
  }

  void appendChar(char16_t ch) {
    if (st_.dest != Dest::Normal) return;
    startRunIfChanged();
    flushBytes();
    pendingText_ += QChar(ch);
    countText(0);
  }

  void countText(qsizetype emitted) {
    textChars_ += emitted;
    if (textChars_ + pendingBytes_.size() + pendingText_.size() > limits_.maxTextChars)
      result_.status = RtfStatus::TooLarge;
  }

  int codePageOf(const CharProps &props) const {
    const CharProps c = props.effective();
    const auto it = fonts_.constFind(c.font >= 0 ? c.font : deff_);
    return it != fonts_.cend() ? it->codePage : docCodePage_;
  }

  void flushBytes() {
    if (pendingBytes_.isEmpty()) return;
    pendingText_ += decodeBytes(pendingBytes_, codePageOf(run_));
    pendingBytes_.clear();
  }

  void emitRun() {
    flushBytes();
    if (pendingText_.isEmpty()) return;
    // Lone surrogates from \u pairs cut apart become replacement characters.
    for (qsizetype i = 0; i < pendingText_.size(); ++i) {
      const QChar c = pendingText_[i];
      if (c.isHighSurrogate() && i + 1 < pendingText_.size() &&
          pendingText_[i + 1].isLowSurrogate())
        ++i;
      else if (c.isSurrogate())
        pendingText_[i] = QChar::ReplacementCharacter;
    }
    Item item;
    item.text = std::move(pendingText_);
    item.format = formatOf(run_);
    textChars_ += item.text.size();
    items_.push_back(std::move(item));
    pendingText_.clear();
  }

  QTextCharFormat formatOf(const CharProps &props) const {
    const CharProps c = props.effective();
    QTextCharFormat f;
    const auto font = fonts_.constFind(c.font >= 0 ? c.font : deff_);
    if (font != fonts_.cend() && !font->name.isEmpty()) f.setFontFamilies({font->name});
    f.setFontPointSize(c.halfPoints / 2.0);
    f.setFontWeight(c.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(c.italic);
    f.setFontUnderline(c.underline);
    f.setFontStrikeOut(c.strike);
    if (c.color > 0 && c.color < colors_.size() && colors_[c.color].isValid())
      f.setForeground(colors_[c.color]);
    return f;
  }

  static constexpr qsizetype kPictureWeight = 2000;

  QByteArrayView in_;  // valid while parsing only
  RtfLimits limits_;
  const std::atomic_bool *cancel_;
  size_t next_ = 0;  // the next item to insert; past the end once done
  QTextCharFormat last_;
  qsizetype pos_ = 0;
  std::vector<State> stack_;
  State st_;
  bool firstInGroup_ = false, star_ = false, finished_ = false;
  int skipUnits_ = 0;
  int deff_ = 0;
  int docCodePage_ = 932;
  QHash<int, Font> fonts_;
  FontEntry font_;
  QList<QColor> colors_;
  QColor color_{0, 0, 0};
  bool colorSet_ = false;
  PictState pict_;
  qsizetype picturesBytes_ = 0;
  CharProps run_;
  QByteArray pendingBytes_;
  QString pendingText_;
  qsizetype textChars_ = 0;
  std::vector<Item> items_;
  Qt::Alignment finalAlign_ = Qt::AlignLeft;
  RtfReadResult result_;
};

}  // namespace

bool looksLikeRtf(QByteArrayView bytes) {
  qsizetype i = 0;
  if (bytes.startsWith("\xEF\xBB\xBF")) i = 3;
  while (i < bytes.size() &&
         (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
    ++i;
  return bytes.sliced(i).startsWith("{\\rtf");
}

struct RtfContent::Data {
  explicit Data(QByteArrayView rtf, const RtfLimits &limits, const std::atomic_bool *cancel)
      : parser(rtf, limits, cancel) {}
  Parser parser;
  RtfReadResult result;
};

RtfContent::RtfContent() = default;
RtfContent::~RtfContent() = default;
RtfContent::RtfContent(RtfContent &&) noexcept = default;
RtfContent &RtfContent::operator=(RtfContent &&) noexcept = default;

RtfReadResult RtfContent::result() const { return data_ ? data_->result : RtfReadResult{}; }

bool RtfContent::insertSome(QTextCursor &cursor, qsizetype maxChars) {
  return data_ && data_->result.ok() &&
         data_->parser.insertSome(cursor, std::max<qsizetype>(1, maxChars));
}

RtfContent parseRtf(QByteArrayView rtf, const RtfLimits &limits, const std::atomic_bool *cancel) {
  RtfContent content;
  content.data_ = std::make_unique<RtfContent::Data>(rtf, limits, cancel);
  content.data_->result = content.data_->parser.parse();
  return content;
}

RtfReadResult readRtf(QByteArrayView rtf, QTextCursor &cursor, const RtfLimits &limits) {
  Parser parser(rtf, limits);
  const RtfReadResult result = parser.parse();
  if (result.ok()) parser.insert(cursor);
  return result;
}

}  // namespace tv::richtext
