#pragma once
// Routines of the start-up module that touch widgets or the desktop.

#include <QString>

#include <functional>

class QComboBox;
class QKeyEvent;
class QPushButton;
class QTreeWidget;
class QUrl;
class QWidget;

namespace tv::app {

// Sleeps `ms` milliseconds, then lets the event loop process pending events once.
// Callers must expect other handlers to have run when it returns.
void PauseMs(int ms);

// True for the texts OpenUrl hands to the desktop: absolute http, https or ftp
// addresses with a host, and mailto addresses. "www." addresses count as http.
bool IsOpenableWebAddress(const QString &text);

// Asks the desktop's default handler to open a web address. Anything else (local
// files, programs, other schemes) is refused and false is returned. The opener is the
// desktop service; tests pass their own.
using UrlOpener = std::function<bool(const QUrl &)>;
bool OpenUrl(const QString &text, const UrlOpener &opener = {});

// Opens a folder or file that the program itself chose (never text from the network).
bool OpenLocalPath(const QString &path);

// Twips per pixel for the widget's screen: 15 at 96 DPI.
double TwipsPerPixel(const QWidget *widget);
int TwipsToPixels(const QWidget *widget, int twips);
int PixelsToTwips(const QWidget *widget, int pixels);

// Widens the list's last column to reach the right edge of its viewport.
void FitLastColumn(QTreeWidget *list);

// For the option buttons named name(0), name(1), ... on the window, the index of the
// checked one as decimal text; "0" when none is checked.
QString SelectedOptionIndex(const QWidget *window, const QString &controlName);

// Object name of element `index` of a control array: "lblMSG(3)".
QString ArrayName(const QString &controlName, int index);

// A push button screen readers find by `accessibleName` (empty: the caption).
QPushButton *MakeButton(const QString &objectName, const QString &caption,
                        QWidget *parent = nullptr, const QString &accessibleName = {});
// An editable history box: its entries change only through the program's own list
// (never by pressing Enter); the box and its text field carry `accessibleName`.
QComboBox *MakeHistoryCombo(const QString &objectName, const QString &accessibleName,
                            QWidget *parent = nullptr);

// The keys that open a control's menu from the keyboard: the menu key or Shift+F10.
bool IsMenuKey(const QKeyEvent &event);

}  // namespace tv::app
