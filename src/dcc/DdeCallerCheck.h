#pragma once
// The caller check the main program gives its hand-off endpoints: only a process
// running the given program file (TvDcc in the program folder) may hand over offers.
// The bus tells the caller's process; its program file is read from /proc.

#include "dcc/DdeEndpoint.h"

namespace tv::dcc {

DdeEndpoint::CallerCheck ProgramCallerCheck(QDBusConnection bus, const QString &programPath);

}  // namespace tv::dcc
