#!/usr/bin/env bash
# Installs the Debian packages Talvora needs to build, run and test, and only those
# that are missing, so a second run costs a second. Works as root or through sudo.
set -euo pipefail

PACKAGES=(
  # build
  cmake ninja-build g++ clang clang-format libclang-rt-14-dev pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  libgtest-dev googletest
  libenet-dev libopus-dev portaudio19-dev libspeexdsp-dev
  libx11-dev libxi-dev
  # run
  dbus dbus-bin dbus-daemon fonts-ipafont-gothic xdg-utils
  # vector metafiles are drawn by wmf2gd in a helper process, with the fonts it needs
  libwmf-bin fonts-urw-base35
  # test (desktop-file-utils: the installed desktop entry is validated; xdotool: key presses)
  ngircd unrtf python3 python3-dbus python3-gi xvfb xauth desktop-file-utils xdotool
  # network namespaces for the transfer tests; netcat for the transfer benchmark
  iproute2 netcat-openbsd
  # end-to-end tests: accessibility bus, its Python bindings, screenshots on failure
  at-spi2-core gir1.2-atspi-2.0 x11-apps
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
SUDO=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    SUDO=(sudo)
  else
    echo "These packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
# policy-rc.d keeps package scripts from starting services (ngircd) on this machine;
# the tests start their own servers on loopback.
if [ ! -e /usr/sbin/policy-rc.d ]; then
  printf '#!/bin/sh\nexit 101\n' | "${SUDO[@]}" tee /usr/sbin/policy-rc.d >/dev/null
  "${SUDO[@]}" chmod +x /usr/sbin/policy-rc.d
  trap '"${SUDO[@]}" rm -f /usr/sbin/policy-rc.d' EXIT
fi
"${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
