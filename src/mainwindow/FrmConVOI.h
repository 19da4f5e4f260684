#pragma once
// The voice connection dialog: the user decides a nickname and a communication device,
// then either a codec (to host) or the host's address (to join). Nickname and address
// histories live in list files of the program folder, the chosen codec in the
// settings. On success the dialog hides, stores the histories and hands the choice
// over through EvHOST or EvJOIN with 1-based list numbers; then it closes and forgets
// its contents ("unloads"), so that the next opening starts from the stored state.
//
// Not modal: the Open calls return at once. The window stays above the main window.
// Threading: UI thread only. Building the device and codec lists and the hand-over
// pump events, so other handlers may run meanwhile.

#include "app/AppInfo.h"

#include <QDialog>

#include <array>
#include <functional>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace tv::app {
class MessageSink;
class Settings;
}  // namespace tv::app

namespace tv::session {
class Pacer;
class VoiceCollections;
}  // namespace tv::session

namespace tv::mainwindow {

struct VoiceDialogServices {
  session::VoiceCollections *lists = nullptr;  // device and codec lists of the program
  app::MessageSink *messages = nullptr;        // the program's message box
  session::Pacer *pacer = nullptr;             // the pump after hiding
  // Information-log rows (kind, text): a history that could not be stored.
  std::function<void(const QString &kind, const QString &text)> log;
};

class FrmConVOI : public QDialog {
  Q_OBJECT
 public:
  // Indices of the Title label array.
  enum TitleIndex { kTitleNick = 0, kTitleDevice, kTitleAddress, kTitleCodec, kTitleTcpOnly };
  static constexpr int kTitleCount = 5;

  // Every dependency outlives the dialog. `mainWindow` is the parent it stays above.
  FrmConVOI(const app::AppInfo &info, const app::Settings &settings, VoiceDialogServices services,
            QWidget *mainWindow = nullptr);

  void OpenHOST();
  void OpenJOIN();
  // Join mode with the host's address already filled in (a voice invitation).
  void OpenOnlyName(const QString &strIP);

  QComboBox *cboNICK() const { return cboNICK_; }
  QComboBox *cboIP() const { return cboIP_; }
  QListWidget *lstDEVICE() const { return lstDEVICE_; }
  QListWidget *lstCODEC() const { return lstCODEC_; }
  QPushButton *btnHOST() const { return btnHOST_; }
  QPushButton *btnJOIN() const { return btnJOIN_; }
  QPushButton *btnCANCEL() const { return btnCANCEL_; }
  QLabel *Title(int index) const { return titles_[static_cast<size_t>(index)]; }

 Q_SIGNALS:
  // Nickname, codec number and device number (list positions + 1).
  void EvHOST(const QString &nick, quint32 codecNo, quint32 deviceNo);
  // Nickname, host address and device number (list position + 1).
  void EvJOIN(const QString &nick, const QString &address, quint32 deviceNo);

 public:
  // Escape and the window's close button cancel, as btnCANCEL does.
  void reject() override;

 private:
  enum class Mode { Host, Join };

  void Load();
  void Open(Mode mode);
  void Unload();
  void layoutFor(Mode mode);
  bool CheckNickname();
  bool CheckAddress();
  void btnHOST_Click();
  void btnJOIN_Click();
  // Hides the dialog, lets events run, stores and hands over, then unloads unless
  // the dialog was opened again meanwhile.
  void HandOver(const std::function<void()> &storeAndSend);
  // Adds the entry to the combo's history and stores it; a failure is logged.
  void storeHistory(QComboBox *combo, const QString &entry, const QString &fileName);
  void reportFailure(const QString &what, const QString &path);
  int px(int twips) const;

  const app::AppInfo &info_;
  const app::Settings &settings_;
  VoiceDialogServices services_;

  std::array<QLabel *, kTitleCount> titles_{};
  QComboBox *cboNICK_;
  QComboBox *cboIP_;
  QListWidget *lstDEVICE_;
  QListWidget *lstCODEC_;
  QPushButton *btnHOST_;
  QPushButton *btnJOIN_;
  QPushButton *btnCANCEL_;

  bool loaded_ = false;
  // Counts openings: a hand-over that lets events run must not unload a dialog that
  // was opened again meanwhile.
  quint64 openings_ = 0;
};

}  // namespace tv::mainwindow
