#pragma once
// The input line cboTX, shared by the voice pane and the IRC panes: an editable combo
// box whose list is the history of sent lines (newest first, at most 30, no repeats),
// kept in "ChatTxLog.txt". Enter hands the text to the window's handler, which
// decides by the pane shown; the line selects its whole text when it gets the focus.

#include <QComboBox>

#include <functional>

namespace tv::mainwindow {

class InputLine : public QComboBox {
  Q_OBJECT
 public:
  // Called on Enter with the text (never empty) and whether Ctrl was held. Returns
  // true when the key was used.
  using EnterHandler = std::function<bool(const QString &text, bool ctrl)>;

  explicit InputLine(QWidget *parent = nullptr);

  void setEnterHandler(EnterHandler handler) { handler_ = std::move(handler); }

  // Puts the text at the top of the history and empties the line.
  void commit(const QString &text);
  QStringList history() const;
  void loadHistory(const QString &path);
  // False, with the reason in `error`, when the file could not be written.
  bool saveHistory(const QString &path, QString *error = nullptr) const;

 protected:
  void keyPressEvent(QKeyEvent *event) override;
  void focusInEvent(QFocusEvent *event) override;

 private:
  EnterHandler handler_;
};

}  // namespace tv::mainwindow
