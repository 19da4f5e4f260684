#pragma once
// A text document that never loads a resource by name: images and style sheets are
// shown only when they were added to the document itself. Rich text from peers can
// therefore not make the view read local files, fetch addresses or decode data URLs.

#include <QTextDocument>

namespace tv::richtext {

class SafeDocument : public QTextDocument {
  Q_OBJECT
 public:
  explicit SafeDocument(QObject *parent = nullptr);

 protected:
  QVariant loadResource(int type, const QUrl &name) override;
};

}  // namespace tv::richtext
