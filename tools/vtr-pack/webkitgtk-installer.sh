#!/bin/sh
# The browser runtime installer that vtr-pack --default-installer ships: it installs
# WebKitGTK 4.1, the engine a packaged application shows its pages with, through the system's
# package manager. The application runs it elevated (pkexec) with the arguments
# /silent /install when it finds no usable engine; /silent answers the package manager's
# questions with yes, since nobody can answer them. The exit status is the package
# manager's; the application checks the engine itself afterwards.
set -u

silent=0
for arg in "$@"; do
    case "$arg" in
        /silent | --silent) silent=1 ;;
        /install | --install) ;;
        *)
            echo "usage: $0 [/silent] [/install]" >&2
            exit 2
            ;;
    esac
done

if command -v apt-get >/dev/null 2>&1; then
    if [ "$silent" -eq 1 ]; then
        DEBIAN_FRONTEND=noninteractive
        export DEBIAN_FRONTEND
        yes=-y
    else
        yes=
    fi
    # A stale or unreachable package list must not stop an install the cache can still serve.
    apt-get update || :
    exec apt-get install $yes libwebkit2gtk-4.1-0
elif command -v dnf >/dev/null 2>&1; then
    [ "$silent" -eq 1 ] && exec dnf install -y webkit2gtk4.1
    exec dnf install webkit2gtk4.1
elif command -v zypper >/dev/null 2>&1; then
    [ "$silent" -eq 1 ] && exec zypper --non-interactive install libwebkit2gtk-4_1-0
    exec zypper install libwebkit2gtk-4_1-0
elif command -v pacman >/dev/null 2>&1; then
    [ "$silent" -eq 1 ] && exec pacman -S --needed --noconfirm webkit2gtk-4.1
    exec pacman -S --needed webkit2gtk-4.1
elif command -v apk >/dev/null 2>&1; then
    exec apk add webkit2gtk-4.1
fi
echo "$0: no known package manager (apt-get, dnf, zypper, pacman, apk) to install WebKitGTK 4.1 with" >&2
exit 1
