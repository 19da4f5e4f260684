#pragma once
// The rich message composer frmSubVOIMSG: a line with its own fonts, sizes, colours
// and emphasis, written in txtRICH and sent whole as RTF with Enter. The formatting
// buttons act on the selection, or with an empty selection on the text typed next.
// After a send the composer is emptied and the format for the next text goes back to
// black "ＭＳ ゴシック" without emphasis; the size and the lists' choices stay. The
// window stays open for further lines and remembers its place in the settings section
// "frmSubVOIMSG".
//
// UI thread only.

#include "app/AppInfo.h"
#include "app/WindowPlacement.h"

#include <QWidget>

#include <functional>

class QAbstractButton;
class QComboBox;
class QTextCharFormat;

namespace tv::app {
class Settings;
}

namespace tv::richtext {
class RichTextView;
}

namespace tv::mainwindow {

class FrmSubVOIMSG : public QWidget {
  Q_OBJECT
 public:
  // Shows the RTF as this PC's line and sends it; false when nothing was sent (the
  // text then stays in the composer).
  using SendRich = std::function<bool(const QString &rtf)>;

  // Every dependency outlives the window.
  FrmSubVOIMSG(const app::AppInfo &info, const app::Settings &settings, SendRich send,
               QWidget *parent = nullptr);

  // What Enter does: with a non-empty text, sends the whole content and empties the
  // composer when the send went out.
  void sendContent();

  richtext::RichTextView *txtRICH() const { return txtRICH_; }
  QComboBox *cboFONT() const { return cboFONT_; }
  QComboBox *cboSIZE() const { return cboSIZE_; }
  QComboBox *cboForeColor() const { return cboForeColor_; }
  // The buttons by object name: btnFONT, btnSIZE, btnCOLOR, btnBold, btnNOTBOLD,
  // btnITALIC, btnNOTITALIC, btnUNDERLINE, btnNOTUNDERLINE, btnSTRIKE, btnNOTSTRIKE.
  QAbstractButton *button(const QString &name) const;

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  void moveEvent(QMoveEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

 private:
  QWidget *buildControls();
  void applyToSelection(const QTextCharFormat &format);
  // The format of the text typed next after a send (and at the start).
  void resetNextFormat(double pointSize);

  SendRich send_;
  app::WindowPlacement placement_;
  richtext::RichTextView *txtRICH_;
  QComboBox *cboFONT_;
  QComboBox *cboSIZE_;
  QComboBox *cboForeColor_;
};

}  // namespace tv::mainwindow
