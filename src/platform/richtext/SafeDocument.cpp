#include "platform/richtext/SafeDocument.h"

#include <QVariant>

namespace tv::richtext {

SafeDocument::SafeDocument(QObject *parent) : QTextDocument(parent) {
  // Consulted before loadResource; an empty answer keeps the application-wide default
  // provider (if anyone installs one) out of this document.
  setResourceProvider([](const QUrl &) { return QVariant(); });
}

QVariant SafeDocument::loadResource(int, const QUrl &) { return {}; }

}  // namespace tv::richtext
