// The body of a picture message (format, size, bytes) as a peer sends it, through the
// message decoder to what the chat log shows: a picture within the log's bounds, a
// metafile for the helper, or the placeholder. Never a crash, never an oversized image.
#include "mainwindow/ChatPicture.h"
#include "platform/metafile/WmfCheck.h"
#include "session/SessionMessage.h"

#include <QtEndian>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  QByteArray message(4, '\0');
  qToLittleEndian<qint32>(tv::session::kPicture, message.data());
  message.append(reinterpret_cast<const char *>(data), qsizetype(size));
  const auto decoded = tv::session::decodeMessage(message);
  if (!decoded) return 0;
  const QByteArray &bytes = decoded->pictureBytes;
  const tv::mainwindow::LogPicture shown = tv::mainwindow::PictureForLog(bytes);
  using Kind = tv::mainwindow::LogPicture::Kind;
  switch (shown.kind) {
    case Kind::Image:
      if (shown.image.isNull() || shown.image.width() > tv::mainwindow::kLogPictureFit.width() ||
          shown.image.height() > tv::mainwindow::kLogPictureFit.height())
        std::abort();
      break;
    case Kind::Metafile:
      if (!tv::metafile::checkWmf(bytes).ok()) std::abort();
      break;
    case Kind::Undecodable:
      if (!shown.image.isNull()) std::abort();
      break;
  }
  return 0;
}
