#pragma once
// Pictures inside rich text: decoding picture data under a pixel cap and an allocation
// limit, and keeping a picture in a document so that it can be written out again.
// A picture that does not decode is shown as a placeholder; decoding never loads
// anything by name.

#include <QByteArray>
#include <QImage>
#include <QSizeF>

#include <optional>

class QTextCursor;
class QTextDocument;
class QTextImageFormat;

namespace tv::richtext {

enum class PictureKind { Unknown, Png, Jpeg, Dib, Wmf, Emf };

// The kind of picture file data by its leading bytes: PNG and JPEG only.
PictureKind sniffPictureKind(QByteArrayView data);

// Decodes a picture file (PNG, JPEG, BMP or GIF, chosen by its leading bytes). Null
// when the data is of another kind, damaged, or larger than `maxPixels` pixels.
QImage decodePictureFile(QByteArrayView data, qint64 maxPixels);

// Bounds for pictures that strangers send: both are checked against the size the
// file's header announces before a pixel is allocated, and the decoder's allocation
// limit backs them up.
struct PictureCaps {
  qint64 maxPixels = 16 * 1024 * 1024;
  int maxSide = 16 * 1024;
};

// Decodes a picture file by its content, whatever its name says (PNG, JPEG, BMP or GIF,
// chosen by the leading bytes), and scales it down to fit within `fit` with its aspect
// ratio kept; an empty `fit` keeps its size. JPEG is decoded at the reduced size
// directly. Null when the data is of another kind, its header is unreadable or over the
// caps, or nothing decodes; a file cut short gives what decodes of it.
QImage decodePictureToFit(QByteArrayView data, QSize fit, const PictureCaps &caps = {});

// Decodes picture data of a known RTF kind: PNG and JPEG as files, a packed device-
// independent bitmap, or the first bitmap drawn by a Windows metafile. Null when it
// cannot be decoded within the cap.
QImage decodePicture(PictureKind kind, QByteArrayView data, qint64 maxPixels);

// The first bitmap record of a Windows metafile, as a packed DIB; empty when none.
QByteArray dibFromWmf(QByteArrayView wmf);

// A grey box with a cross, shown for pictures that do not decode.
QImage placeholderPicture(QSize size);

// What a document keeps for one picture: the image it shows and, when the picture was
// read from data, that data and its kind, so that it is written out unchanged.
struct DocumentPicture {
  QImage image;
  PictureKind kind = PictureKind::Unknown;
  QByteArray data;
  bool placeholder = false;  // the image stands in for data that did not decode
};

// Adds the picture to the document's resources and inserts it at the cursor, shown at
// `displaySize` pixels (the image's own size when empty).
void insertPicture(QTextCursor &cursor, const DocumentPicture &picture, QSizeF displaySize = {});

// The picture behind an image character of the document; empty when it is not one of
// the pictures added by insertPicture.
std::optional<DocumentPicture> pictureOf(const QTextDocument &doc, const QTextImageFormat &format);

}  // namespace tv::richtext
