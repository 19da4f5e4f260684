#pragma once
// Windows metafiles for tests and benchmarks: a vector drawing of a chosen number of
// shapes, and the hostile variants the structural check and the helper must survive.

#include <QByteArray>
#include <QtEndian>

#include <algorithm>
#include <initializer_list>

namespace tv::test {

class WmfBuilder {
 public:
  // A drawing in a window of `width` x `height` logical units.
  WmfBuilder(qint16 width = 1000, qint16 height = 800) {
    record(0x020B, {0, 0});              // SetWindowOrg
    record(0x020C, {height, width});     // SetWindowExt
    record(0x02FA, {0, 3, 0, 0xFF, 0});  // CreatePenIndirect: solid red, 3 wide
    record(0x012D, {0});                 // SelectObject
    record(0x02FC, {0, 0x00, 0xFF, 0});  // CreateBrushIndirect: solid blue
    record(0x012D, {1});
  }

  // Clip art: `count` times a small rectangle, an ellipse and a 20-point polyline
  // (116 bytes each), spread over the window.
  WmfBuilder &shapes(int count) {
    for (int i = 0; i < count; ++i) {
      const qint16 left = qint16((i * 37) % 940), top = qint16((i * 53) % 740);
      record(0x041B, {qint16(top + 50), qint16(left + 60), top, left});  // Rectangle
      record(0x0418, {qint16(top + 40), qint16(left + 50), qint16(top + 10),
                      qint16(left + 10)});  // Ellipse
      QByteArray points;
      put(points, 20);
      for (int j = 0; j < 20; ++j) {
        put(points, qint16(left + 3 * j));
        put(points, qint16(top + (j * 37 + i) % 50));
      }
      raw(0x0325, points);  // Polyline
    }
    return *this;
  }
  // An escape record (a printer command).
  WmfBuilder &escape() {
    record(0x0626, {0x0F, 8, 0x4141, 0x4141, 0x4141, 0x4141});
    return *this;
  }
  // `count` records that draw nothing (SetBkMode).
  WmfBuilder &filler(int count) {
    for (int i = 0; i < count; ++i) record(0x0102, {1});
    return *this;
  }
  WmfBuilder &placeable(qint16 left, qint16 top, qint16 right, qint16 bottom, quint16 inch) {
    placeable_ = true;
    box_[0] = left;
    box_[1] = top;
    box_[2] = right;
    box_[3] = bottom;
    inch_ = inch;
    return *this;
  }

  // The file: placeable header (when asked for), metafile header, records, end record.
  QByteArray bytes(bool withEnd = true) const {
    QByteArray records = records_;
    if (withEnd) records += QByteArray::fromHex("030000000000");
    QByteArray out;
    if (placeable_) {
      QByteArray p;
      put32(p, 0x9AC6CDD7u);
      put(p, 0);
      for (qint16 v : box_) put(p, v);
      put(p, qint16(inch_));
      put32(p, 0);
      quint16 sum = 0;
      for (int i = 0; i < 10; ++i) sum ^= qFromLittleEndian<quint16>(p.constData() + 2 * i);
      put(p, qint16(sum));
      out += p;
    }
    put(out, 1);
    put(out, 9);
    put(out, 0x0300);
    put32(out, quint32((18 + records.size()) / 2));
    put(out, 3);  // objects
    put32(out, quint32(std::max<qsizetype>(maxWords_, 3)));
    put(out, 0);
    return out + records;
  }

  static void put(QByteArray &out, qint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
  }
  static void put32(QByteArray &out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
  }

 private:
  void record(quint16 function, std::initializer_list<qint16> params) {
    QByteArray p;
    for (qint16 v : params) put(p, v);
    raw(function, p);
  }
  void raw(quint16 function, const QByteArray &params) {
    const quint32 words = quint32(3 + params.size() / 2);
    maxWords_ = std::max<qsizetype>(maxWords_, words);
    put32(records_, words);
    put(records_, qint16(function));
    records_ += params;
  }

  QByteArray records_;
  qsizetype maxWords_ = 3;
  bool placeable_ = false;
  qint16 box_[4] = {0, 0, 0, 0};
  quint16 inch_ = 0;
};

}  // namespace tv::test
