#!/bin/sh
# Installs what building, running and testing Zarvik need, when it is missing.
# Usage: scripts/deps.sh run|deb|test
set -eu
what=${1:-run}

pkgs="cmake make g++ pkg-config qt6-base-dev qt6-svg-dev qt6-translations-l10n qt6-qpa-plugins
      fonts-dejavu-core fonts-symbola ccache"
# make deb: dpkg-shlibdeps finds the package's library dependencies.
if [ "$what" = deb ] || [ "$what" = test ]; then
  pkgs="$pkgs dpkg-dev file"
fi
if [ "$what" = test ]; then
  pkgs="$pkgs xvfb xauth xdotool x11-utils cups cups-client cups-bsd printer-driver-cups-pdf
        poppler-utils shared-mime-info desktop-file-utils xdg-utils libfile-mimeinfo-perl
        libglib2.0-bin clang libclang-rt-14-dev imagemagick xclip lintian appstream openbox
        x11-xserver-utils"
fi

missing=""
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Zarvik needs these Debian packages:$missing" >&2
  echo "Install them as root:  sudo apt-get install$missing" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -q --no-install-recommends $missing
