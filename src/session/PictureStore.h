#pragma once
// Received pictures, stored unchanged in the program folder's "IMG" sub-folder under
// the lowest free eight-digit number: IMG/00000000.jpg, IMG/00000001.jpg, ... A picture
// is written to a hidden temporary file first and only then given its name, which
// never replaces an existing file; a picture that cannot be written completely leaves
// nothing behind. UI thread only.

#include "session/SessionMessage.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>

namespace tv::session {

class PictureStore {
 public:
  // What one picture message can carry: a message less the picture header (type,
  // format, size).
  static constexpr qint64 kMaxPictureBytes = kMaxMessageBytes - kPictureHeaderBytes;
  // Numbers run from 00000000 to 99999999.
  static constexpr int kMaxNumber = 99999999;

  explicit PictureStore(const QString &appFolder, qint64 maxBytes = kMaxPictureBytes);

  struct Stored {
    QString path;   // the file written
    QString error;  // why nothing was stored (Japanese, for the information log)
    bool ok() const { return error.isEmpty(); }
  };
  // Stores the bytes of a picture of the given format (SessionMessage's codes; an
  // unknown code gives a file without extension).
  Stored Store(std::int32_t format, QByteArrayView bytes) const;

  // The first path IMG/<8 digits><extension>, counting from `start`, that does not
  // exist yet; empty when every number is taken.
  QString NewPictureFileName(int start, const QString &extension) const;

  QString folder() const { return folder_; }

 private:
  QString appFolder_;
  QString folder_;
  qint64 maxBytes_;
};

}  // namespace tv::session
