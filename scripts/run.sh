#!/usr/bin/env bash
# Installs what is missing, builds Talvora and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/deps.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
bash scripts/install-dbus-services.sh build/bin

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Talvora を表示する画面がありません (DISPLAY も WAYLAND_DISPLAY も設定されていません)。" >&2
  echo "No display: start Talvora from a desktop session, or set DISPLAY (for example under Xvfb)." >&2
  exit 1
fi

# Talvora needs a D-Bus session bus (single-instance rule, IRC component, file
# transfers). Start one for it when the desktop has none.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
  exec dbus-run-session -- build/bin/Talvora
fi
exec build/bin/Talvora
