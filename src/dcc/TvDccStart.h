#pragma once
// What TvDcc's start-up builds from its command line: the sender window for VSEND and
// ISEND, the receiver window for VREC and IREC, with TvDcc.ini of the data folder (the
// program folder, or for an installed copy the user's data folder, as for Talvora).
// The receiver's proposed save path is the folder last saved to (the data folder when
// none is recorded or it is gone) joined with the offered name reduced to a plain file
// name. main() and the benchmark build the same objects. UI thread only.

#include "app/Settings.h"
#include "dcc/CommandLine.h"

#include <QDBusConnection>

#include <memory>

class QWidget;

namespace tv::dcc {

class FrmRec;
class FrmSend;

inline const QString kSettingsName = QStringLiteral("TvDcc.ini");

class TvDccStart {
 public:
  // command: a Start command (ParseStartCommand). dataFolder ends in "/".
  TvDccStart(const StartCommand &command, const QString &dataFolder, QDBusConnection bus);
  ~TvDccStart();

  QWidget *window() const;
  FrmSend *frmSend() const { return send_.get(); }
  FrmRec *frmRec() const { return rec_.get(); }
  // After the event loop: a finished send drains (at most 10 s).
  void finish();

  // The receiver's proposed save path for an offered name.
  static QString ProposedSavePath(const app::Settings &settings, const QString &dataFolder,
                                  const QString &offeredName);

 private:
  app::Settings settings_;
  std::unique_ptr<FrmSend> send_;
  std::unique_ptr<FrmRec> rec_;
};

}  // namespace tv::dcc
