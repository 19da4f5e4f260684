#pragma once
// The voice pane fraVOICE: the participant list, the chat log and the topic line with
// the voice controls around them (own colour, voice teams, volumes and mutes, level
// meters, the mute-key list, the rich-message and picture buttons, the exit button)
// and the pane's menus. It lays itself out on every resize; the window places the
// shared input line into the row the pane leaves free under the log.

#include <QWidget>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QProgressBar;
class QToolButton;
class QSlider;

namespace tv::mainwindow {

class ChatLogView;
class ParticipantList;
class TopicLine;

class VoicePane : public QWidget {
  Q_OBJECT
 public:
  explicit VoicePane(QWidget *parent = nullptr);

  // Height of the row under the log that the input line takes (pixels).
  void setInputRowHeight(int pixels);
  // Where the input line goes, in the pane's coordinates.
  QRect inputRect() const;

  // The own colour label takes the colour value's colour; the selector its entry.
  void showOwnColour(int number);

  ParticipantList *lstUSER() const { return lstUSER_; }
  ChatLogView *txtLOG() const { return txtLOG_; }
  TopicLine *txtTOPIC() const { return txtTOPIC_; }
  QLabel *lblUserNum() const { return lblUserNum_; }
  QLabel *lblMyColor() const { return lblMyColor_; }
  QComboBox *cboMyColor() const { return cboMyColor_; }
  QComboBox *cboMyTeam() const { return cboMyTeam_; }
  QComboBox *cboTxTeam() const { return cboTxTeam_; }
  QComboBox *cboMikeMute() const { return cboMikeMute_; }
  QLabel *lblMikeMuteNote() const { return lblMikeMuteNote_; }
  QSlider *sldSP() const { return sldSP_; }
  QSlider *sldMK() const { return sldMK_; }
  QToolButton *btnMuteSP() const { return btnMuteSP_; }
  QToolButton *btnMuteMK() const { return btnMuteMK_; }
  QProgressBar *prgSP() const { return prgSP_; }
  QProgressBar *prgMK() const { return prgMK_; }
  QToolButton *btnVEXIT() const { return btnVEXIT_; }
  QToolButton *btnRichChat() const { return btnRichChat_; }
  QToolButton *btnPIC() const { return btnPIC_; }
  QMenu *btnUserListRoot() const { return userMenu_; }
  QMenu *btnLimitRoot() const { return limitMenu_; }
  QMenu *btnMikeRoot() const { return mikeMenu_; }
  // Menu entries by name: btnKICK, btnDccSend, btnLimitPlus, btnLimitMinus, btnMKSetup.
  QAction *action(const QString &name) const;

 protected:
  void resizeEvent(QResizeEvent *event) override;
  // The strip grows or shrinks (the mute-key note shown or hidden): lay out again.
  bool event(QEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  // Where every control goes for a pane of the given size.
  struct Arrangement {
    QRect strip, userNum, exit, topicLabel, topic, users, log, input;
  };
  Arrangement arrange(const QSize &size) const;
  QWidget *buildControlStrip();
  void layoutPane();

  QWidget *strip_;
  ParticipantList *lstUSER_;
  ChatLogView *txtLOG_;
  TopicLine *txtTOPIC_;
  QLabel *lblTOPIC_;
  QLabel *lblUserNum_;
  QLabel *lblMyColor_;
  QComboBox *cboMyColor_;
  QComboBox *cboMyTeam_;
  QComboBox *cboTxTeam_;
  QComboBox *cboMikeMute_;
  QLabel *lblMikeMuteNote_;
  QSlider *sldSP_;
  QSlider *sldMK_;
  QToolButton *btnMuteSP_;
  QToolButton *btnMuteMK_;
  QProgressBar *prgSP_;
  QProgressBar *prgMK_;
  QToolButton *btnVEXIT_;
  QToolButton *btnRichChat_;
  QToolButton *btnPIC_;
  QMenu *userMenu_;
  QMenu *limitMenu_;
  QMenu *mikeMenu_;
  int inputRowHeight_ = 0;
};

}  // namespace tv::mainwindow
