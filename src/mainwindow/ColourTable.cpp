#include "mainwindow/ColourTable.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <array>

namespace tv::mainwindow {
namespace {

struct Entry {
  const char16_t *name;
  std::uint8_t r, g, b;
};

// The classic 16-colour text-mode palette, in the order users know it by number.
constexpr std::array<Entry, kColourCount> kColours = {{
    {u"黒", 0x00, 0x00, 0x00},
    {u"暗い青", 0x00, 0x00, 0x80},
    {u"暗い緑", 0x00, 0x80, 0x00},
    {u"暗い青緑", 0x00, 0x80, 0x80},
    {u"暗い赤", 0x80, 0x00, 0x00},
    {u"暗い赤紫", 0x80, 0x00, 0x80},
    {u"暗い黄", 0x80, 0x80, 0x00},
    {u"暗い白", 0xC0, 0xC0, 0xC0},
    {u"灰色", 0x80, 0x80, 0x80},
    {u"明るい青", 0x00, 0x00, 0xFF},
    {u"明るい緑", 0x00, 0xFF, 0x00},
    {u"明るい青緑", 0x00, 0xFF, 0xFF},
    {u"明るい赤", 0xFF, 0x00, 0x00},
    {u"明るい赤紫", 0xFF, 0x00, 0xFF},
    {u"明るい黄", 0xFF, 0xFF, 0x00},
    {u"明るい白", 0xFF, 0xFF, 0xFF},
}};

bool valid(int number) { return number >= 0 && number < kColourCount; }

}  // namespace

QString ColourName(int number) {
  return valid(number) ? QString::fromUtf16(kColours[size_t(number)].name) : QString();
}

std::uint32_t ColourValue(int number) {
  if (!valid(number)) return 0;
  const Entry &e = kColours[size_t(number)];
  return std::uint32_t(e.r) | std::uint32_t(e.g) << 8 | std::uint32_t(e.b) << 16;
}

int ClampColourNumber(qint64 number) {
  return int(std::clamp<qint64>(number, 0, kColourCount - 1));
}

QColor ColourFromValue(std::uint32_t value) {
  return QColor(int(value & 0xFF), int(value >> 8 & 0xFF), int(value >> 16 & 0xFF));
}

std::uint32_t ValueFromColour(const QColor &colour) {
  return std::uint32_t(colour.red()) | std::uint32_t(colour.green()) << 8 |
         std::uint32_t(colour.blue()) << 16;
}

QIcon ColourSwatch(int number) {
  QPixmap pixmap(16, 12);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setPen(QColor(Qt::darkGray));
  painter.setBrush(ColourFromValue(ColourValue(number)));
  painter.drawRect(0, 0, 15, 11);
  return QIcon(pixmap);
}

}  // namespace tv::mainwindow
