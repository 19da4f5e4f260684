#pragma once
// The IRC settings dialog frmSetIRC: the QUIT and PART greetings, with their histories
// QUIT_MSG.txt and PART_MSG.txt. "適用" stores the texts as the settings QuitMessage and
// PartMessage; OK also puts them first in their histories; Cancel stores nothing. The
// dialog deletes itself when it closes. UI thread only; not modal.

#include <QDialog>

#include <functional>

class QComboBox;
class QPushButton;

namespace tv::app {
struct AppInfo;
class Settings;
}  // namespace tv::app

namespace tv::irc {

class FrmSetIRC : public QDialog {
  Q_OBJECT
 public:
  // `log` takes information-log rows (kind, text): a history that could not be written.
  FrmSetIRC(const app::AppInfo &info, const app::Settings &settings,
            std::function<void(const QString &kind, const QString &text)> log,
            QWidget *parent = nullptr);

  QComboBox *cboQUIT() const { return cboQUIT_; }
  QComboBox *cboPART() const { return cboPART_; }
  QPushButton *btnApply() const { return btnApply_; }
  QPushButton *btnOK() const { return btnOK_; }
  QPushButton *btnCancel() const { return btnCancel_; }

  void btnApply_Click();
  void btnOK_Click();

 private:
  const app::AppInfo &info_;
  const app::Settings &settings_;
  std::function<void(const QString &, const QString &)> log_;
  QComboBox *cboQUIT_;
  QComboBox *cboPART_;
  QPushButton *btnApply_;
  QPushButton *btnOK_;
  QPushButton *btnCancel_;
};

}  // namespace tv::irc
