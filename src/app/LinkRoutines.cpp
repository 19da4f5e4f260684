#include "app/LinkRoutines.h"

#include "platform/richtext/RichTextView.h"

#include <QTextCursor>

namespace tv::app {

void EnableUrlDetect(richtext::RichTextView *view) { view->setUrlDetect(true); }

bool OpenLinkAtCaret(richtext::RichTextView *view, const UrlOpener &opener) {
  const QTextCursor caret = view->textCursor();
  const int p = caret.position();
  if (caret.hasSelection() || !view->underlinedBefore(p)) return false;
  // The run covers the underlined character before the caret and its underlined
  // neighbours; underlinedBefore(i) tells about character i - 1.
  int start = p > 0 ? p - 1 : 0;
  while (start > 0 && view->underlinedBefore(start)) --start;
  int end = start + 1;
  while (end < view->textLength() && view->underlinedBefore(end + 1)) ++end;
  QTextCursor run(view->document());
  run.setPosition(start);
  run.setPosition(end, QTextCursor::KeepAnchor);
  return OpenUrl(run.selectedText(), opener);
}

}  // namespace tv::app
