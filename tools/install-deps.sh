#!/usr/bin/env bash
# Installs every Debian package the suite needs to build, run and test.
# Quiet when everything is already present. Run as root (or through sudo).
set -euo pipefail

packages=(
  # tool chain
  g++ cmake ninja-build pkg-config git python3
  # Qt 6: widgets, D-Bus, web engine, image formats (TIFF, ICO)
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-webengine-dev-tools
  libqt6webenginecore6-bin qt6-image-formats-plugins libqt6svg6
  # Qt's own texts in Chinese: the toolkit's catalogues (qtbase_zh_CN.qm, qtwebengine_zh_CN.qm)
  # and the web engine's pages (qtwebengine_locales/zh-CN.pak)
  qt6-translations-l10n libqt6webengine6-data
  # the week report's bar chart in the management window
  qt6-charts-dev
  # the guard's denial of limited files to the children's accounts (POSIX ACLs); its tests read
  # the files' ACLs back with getfacl
  libacl1-dev acl
  # databases, pictures
  libsqlcipher-dev sqlcipher libpng-dev zlib1g-dev libgif-dev
  # tests and benchmarks (the program limits' tests also run python3, above, and awk, which
  # every Debian system has)
  libgtest-dev libgmock-dev libbenchmark-dev
  # the card tests check the stored count against OpenSSL's DES
  libssl-dev
  # the word-filter benchmark compares with Hyperscan
  libhyperscan-dev
  # the browser's matcher takes its traditional-to-simplified table from OpenCC
  opencc
  # headless running: X server, session bus, fonts that render Chinese, shell "open"
  xvfb xauth dbus dbus-x11 fonts-wqy-zenhei fonts-dejavu-core xdg-utils
  # the lock screen's tests and the tour: keys typed through the X server, and asking the
  # server who holds the keyboard and the pointer
  xdotool libxcb1-dev
  # the guard's tests: a stand-in login manager on a private system bus, and PAM's account check
  # asked as a login asks it
  python3-dbusmock pamtester
  # local programs of the application centre's catalogue: a calculator and a text editor
  galculator mousepad
  # the Debian package: CPack's dependency finder (dpkg-shlibdeps, file) and the checks of the
  # package (Lintian, the desktop entries' validator, systemd's unit check); debootstrap makes
  # the bare Debian root of tools/check-package.sh
  dpkg-dev file lintian desktop-file-utils systemd debootstrap
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
