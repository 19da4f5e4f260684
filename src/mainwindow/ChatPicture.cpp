#include "mainwindow/ChatPicture.h"

#include "platform/metafile/WmfCheck.h"
#include "platform/richtext/RtfPicture.h"

namespace tv::mainwindow {

LogPicture PictureForLog(QByteArrayView bytes, QSize fit) {
  LogPicture picture;
  const richtext::PictureCaps caps;
  picture.image = richtext::decodePictureToFit(bytes, fit, caps);
  if (!picture.image.isNull()) {
    picture.kind = LogPicture::Kind::Image;
    return picture;
  }
  if (!metafile::looksLikeWmf(bytes)) return picture;
  const QByteArray dib = richtext::dibFromWmf(bytes);
  if (!dib.isEmpty()) {
    QImage image = richtext::decodePicture(richtext::PictureKind::Dib, dib, caps.maxPixels);
    if (!image.isNull() && image.width() <= caps.maxSide && image.height() <= caps.maxSide) {
      if (!fit.isEmpty() && (image.width() > fit.width() || image.height() > fit.height()))
        image = image.scaled(fit, Qt::KeepAspectRatio, Qt::SmoothTransformation);
      picture.kind = LogPicture::Kind::Image;
      picture.image = image;
      return picture;
    }
  }
  if (metafile::checkWmf(bytes).ok()) picture.kind = LogPicture::Kind::Metafile;
  return picture;
}

QString UndecodablePictureLine(const QString &fileName) {
  return QStringLiteral("表示できない画像: ") + fileName;
}

}  // namespace tv::mainwindow
