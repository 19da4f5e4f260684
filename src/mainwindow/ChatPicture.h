#pragma once
// What the chat log shows for a picture file: the bytes are decoded by their content,
// whatever the file's name or the sender's format code says, under the pixel caps,
// and scaled down to fit the log. Metafiles that wrap a bitmap decode here; vector
// metafiles that pass the structural check are left to the drawing helper. Pure
// functions, no widgets.

#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <QString>

namespace tv::mainwindow {

// Pictures larger than this are shown scaled down, their aspect ratio kept.
inline constexpr QSize kLogPictureFit(800, 600);

struct LogPicture {
  enum class Kind {
    Image,        // `image` is what to show
    Metafile,     // a checked vector metafile: the helper draws it
    Undecodable,  // the placeholder line
  };
  Kind kind = Kind::Undecodable;
  QImage image;
};

LogPicture PictureForLog(QByteArrayView bytes, QSize fit = kLogPictureFit);

// "表示できない画像: " + the stored file's name: the line beside the placeholder box.
QString UndecodablePictureLine(const QString &fileName);

}  // namespace tv::mainwindow
