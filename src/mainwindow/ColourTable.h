#pragma once
// The sixteen chat colours shared by the own-colour selector, the participant rows
// and the rich-message composer. Messages and rows carry the colour value, never the
// number: a 24-bit value with red in the lowest byte, green in the next, blue in the
// third and the top byte 0 (so dark blue is 0x00800000 and bright red 0x000000FF).
// Peers rely on that layout.

#include <QColor>
#include <QIcon>
#include <QString>

#include <cstdint>

namespace tv::mainwindow {

inline constexpr int kColourCount = 16;

// The colour's Japanese name ("黒" ... "明るい白"); "" outside 0..15.
QString ColourName(int number);
// The colour value of a number; black outside 0..15.
std::uint32_t ColourValue(int number);
// A stored colour number brought into 0..15.
int ClampColourNumber(qint64 number);

// Between colour values and Qt colours. The top byte of a value is ignored.
QColor ColourFromValue(std::uint32_t value);
std::uint32_t ValueFromColour(const QColor &colour);

// The small framed box of the colour that selectors show beside its name.
QIcon ColourSwatch(int number);

}  // namespace tv::mainwindow
