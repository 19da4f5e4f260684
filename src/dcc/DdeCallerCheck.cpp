#include "dcc/DdeCallerCheck.h"

#include <QDBusConnectionInterface>
#include <QFileInfo>

namespace tv::dcc {

DdeEndpoint::CallerCheck ProgramCallerCheck(QDBusConnection bus, const QString &programPath) {
  const QString expected = QFileInfo(programPath).canonicalFilePath();
  return [bus, expected](const QString &busName) {
    if (expected.isEmpty() || !bus.interface()) return false;
    const QDBusReply<uint> pid = bus.interface()->servicePid(busName);
    if (!pid.isValid()) return false;
    const QString program =
        QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid.value())).canonicalFilePath();
    return program == expected;
  };
}

}  // namespace tv::dcc
