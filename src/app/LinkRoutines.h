#pragma once
// Links in the rich-text views: detection, and opening the link under the caret.

#include "app/UiRoutines.h"

namespace tv::richtext {
class RichTextView;
}

namespace tv::app {

// Turns on link detection: web addresses in the view are shown underlined.
void EnableUrlDetect(richtext::RichTextView *view);

// Called on a mouse release in a view. When nothing is selected and the text at the
// caret is underlined, the underlined run around the caret is handed to OpenUrl,
// which opens web addresses only. Caret and selection stay as they were. True when
// the desktop was asked to open an address.
bool OpenLinkAtCaret(richtext::RichTextView *view, const UrlOpener &opener = {});

}  // namespace tv::app
