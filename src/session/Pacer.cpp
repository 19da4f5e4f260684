#include "session/Pacer.h"

#include "app/UiRoutines.h"

#include <QCoreApplication>

namespace tv::session {

void UiPacer::Pause() { app::PauseMs(kPauseMs); }

void UiPacer::Pump() { QCoreApplication::processEvents(); }

}  // namespace tv::session
