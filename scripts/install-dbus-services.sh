#!/usr/bin/env bash
# Writes the D-Bus activation files for the components in the given program folder
# into the user's session-services folder, so that the bus can start them on demand.
set -euo pipefail
bin=$(cd "$1" && pwd)
dest="${XDG_DATA_HOME:-$HOME/.local/share}/dbus-1/services"
mkdir -p "$dest"
root=$(cd "$(dirname "$0")/.." && pwd)
for template in "$root"/data/dbus/*.service.in; do
  [ -e "$template" ] || continue
  name=$(basename "$template" .in)
  sed "s|@BIN_DIR@|$bin|g" "$template" > "$dest/$name.tmp"
  mv "$dest/$name.tmp" "$dest/$name"
done
