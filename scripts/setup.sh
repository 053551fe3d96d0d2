#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, fuzz and benchmark.
# This is the one place that installs; the README commands and CI call it.
set -euo pipefail

PACKAGES=(
  build-essential g++ cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev
  nlohmann-json3-dev zlib1g-dev libgtk-3-dev libwebkit2gtk-4.1-dev libx11-dev libxtst-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  media-types xvfb xauth openbox xdotool wmctrl x11-utils x11-xserver-utils imagemagick
  fonts-dejavu-core fonts-wqy-microhei locales
  p7zip-full python3 unzip dbus dbus-x11 python3-dbusmock python3-gi
  gcc-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev node-typescript psmisc
  gcc-mingw-w64-i686-win32 binutils-mingw-w64-i686
  # 64-bit Wine for the check that Windows' resource functions read rewritten executables.
  wine wine64
  # Debian packages of packed applications are checked with lintian; SVG icons are drawn through
  # librsvg's image loader.
  lintian librsvg2-common
  # Media playback in pages (WAV, Ogg, WebM with VP8/VP9, Vorbis, Opus) and the tools that
  # make the test media.
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-tools
)

SUDO=()
if [ "$(id -u)" -ne 0 ]; then SUDO=(sudo -E); fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

wait_for_dpkg_lock() {
  local waited=0
  while fuser /var/lib/dpkg/lock-frontend /var/lib/dpkg/lock /var/lib/apt/lists/lock >/dev/null 2>&1; do
    if [ "$waited" -eq 0 ]; then echo "setup: waiting for the dpkg lock..."; fi
    sleep 2
    waited=$((waited + 2))
    if [ "$waited" -ge 900 ]; then echo "setup: dpkg lock still held after 15 minutes" >&2; return 1; fi
  done
}

if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  wait_for_dpkg_lock
  "${SUDO[@]}" apt-get -o DPkg::Lock::Timeout=900 update
  wait_for_dpkg_lock
  "${SUDO[@]}" apt-get -o DPkg::Lock::Timeout=900 install -y --no-install-recommends "${missing[@]}"
fi

# Locales of the six start-up message languages plus a comma-decimal one for number formatting.
want_locales=(en_US.UTF-8 de_DE.UTF-8 de_CH.UTF-8 es_ES.UTF-8 it_IT.UTF-8 fr_FR.UTF-8 zh_CN.UTF-8)
have=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
need_gen=0
for l in "${want_locales[@]}"; do
  norm=$(echo "$l" | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
  if ! grep -qx "$norm" <<<"$have"; then
    need_gen=1
    if ! grep -q "^$l UTF-8" /etc/locale.gen 2>/dev/null; then
      echo "$l UTF-8" | "${SUDO[@]}" tee -a /etc/locale.gen >/dev/null
    fi
  fi
done
if [ "$need_gen" -eq 1 ]; then
  # Uncomment any commented entries of the wanted locales, then generate.
  for l in "${want_locales[@]}"; do "${SUDO[@]}" sed -i "s/^# *\($l UTF-8\)/\1/" /etc/locale.gen; done
  "${SUDO[@]}" locale-gen
fi
echo "setup: all packages present"
