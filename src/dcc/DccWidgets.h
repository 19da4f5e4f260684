#pragma once
// Pieces both TvDcc windows are built from: captions, picture buttons, the program's
// error box and the time-of-day text.

#include <QString>
#include <QStyle>

#include <functional>

class QLabel;
class QTime;
class QToolButton;
class QWidget;

namespace tv::dcc {

inline const QString kBoxTitle = QStringLiteral("Talvora DCC System");

QLabel *CaptionLabel(const QString &text, QWidget *parent);
// A button with a picture above its caption; screen readers know it by the caption.
QToolButton *PictureButton(const QString &objectName, const QString &caption,
                           const QString &toolTip, QStyle::StandardPixmap picture, QWidget *parent);
// The error box: the text (lines separated by CR LF), the title kBoxTitle, an error
// icon and one OK button. Window-modal and not blocking: `closed` runs when it goes.
void ShowErrorBox(QWidget *parent, const QString &text, std::function<void()> closed = {});
// The same, blocking until it is closed (start-up, before any window).
void ExecErrorBox(const QString &text);
// "9:05:07".
QString TimeOfDay(const QTime &time);

}  // namespace tv::dcc
