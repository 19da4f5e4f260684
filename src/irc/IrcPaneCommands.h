#pragma once
// The commands of one IRC pane: the entries of its log and tab menu (btnChRoot) and of
// its user-list menu (btnUserRoot), their input boxes, the topic box, the nickname box,
// WHOIS on a double-click, PART and QUIT with the forced close, and voice recruitment.
// IrcCommands and VoiceRecruit decide what is sent and written; this gathers their
// inputs from the pane's widgets, opens the boxes and sends through the pane.
//
// The boxes are not modal: their OK acts on the pane as it is then (current slot,
// selection), and does nothing once the pane ended or with no slot current. Each box is
// made on first use and goes with the pane.
//
// UI thread only. Owned by its pane (a child object).

#include "irc/IrcCommands.h"
#include "irc/IrcPaneServices.h"

#include <QHash>
#include <QObject>

class QAction;
class QIcon;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class QTreeView;

namespace tv::app {
class FrmBoxINP;
}

namespace tv::irc {

class CtlIRC;

class IrcPaneCommands : public QObject {
  Q_OBJECT
 public:
  static constexpr int kQuitWaitMs = 5000;

  IrcPaneCommands(CtlIRC &pane, const IrcPaneServices &services);
  ~IrcPaneCommands() override;

  // The pane made the user list of a slot.
  void listAdded(QTreeView *list);
  void SetBtnVisible(int sessionState);
  void TxQUIT();
  // The pane ended or starts afresh: the forced close is no longer due.
  void stop();

  // A menu entry of either menu by its object name; null when there is none.
  QAction *entry(const QString &objectName) const;
  // An input box by its name (IBOXJoin ... IBOXRECRUITMENT); null until first used.
  app::FrmBoxINP *box(const QString &name) const { return boxes_.value(name); }
  QPushButton *btnPART() const { return btnPART_; }
  QPushButton *btnQUIT() const { return btnQUIT_; }
  QLineEdit *txtNICK() const { return txtNICK_; }
  QTimer *timQUIT() const { return timQUIT_; }

  // The small picture of a user list entry that announced a voice host.
  static QIcon VoiceHostIcon();

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  using BoxHandler = void (IrcPaneCommands::*)(const QString &text);

  void buildMenus();
  void buildRow();
  QAction *addEntry(QMenu *menu, QAction *before, const char *name, const QString &caption,
                    void (IrcPaneCommands::*act)());
  void openBox(const QString &name, const BoxRequest &request, BoxHandler onOk);
  // The current slot when a command may act, -1 otherwise.
  int actingSlot() const;
  QString setting(QStringView key, QStringView defaultValue) const;
  void storeSetting(QStringView key, const QString &value) const;
  app::MessageSink *messages() const;
  // Writes the slot lines, then sends the lines; false when the pane ended.
  bool run(int slot, const CommandResult &result);
  bool sendLines(const QStringList &lines);
  // Into every open slot.
  void writeEverywhere(const QStringList &lines);

  // btnChRoot.
  void join();
  void joinEntered(const QString &text);
  void recruit();
  void routerEntered(const QString &text);
  void announce(const QString &address);
  void mode(const QString &text);
  void limit();
  void limitEntered(const QString &text);
  void keyPlus();
  void keyMinus();
  void keyPlusEntered(const QString &text);
  void keyMinusEntered(const QString &text);
  void awayPlus();
  void awayEntered(const QString &text);
  void awayMinus();
  void topicFromSelection();
  // btnUserRoot.
  void voiceJoin();
  void operatorPlus();
  void operatorMinus();
  void operators(QChar sign);
  void dccSend();
  void kick();
  void kickEntered(const QString &text);
  // Controls.
  void whois(QTreeView *list, int row);
  void topicEntered();
  void restoreTopic();
  void openNickBox();
  void closeNickBox();
  void nickEntered();
  void part();
  void forcedClose();

  CtlIRC &pane_;
  IrcPaneServices services_;
  QHash<QString, app::FrmBoxINP *> boxes_;
  QPushButton *btnPART_ = nullptr;
  QPushButton *btnQUIT_ = nullptr;
  QLineEdit *txtNICK_ = nullptr;
  QTimer *timQUIT_ = nullptr;
};

}  // namespace tv::irc
