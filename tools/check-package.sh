#!/usr/bin/env bash
# Checks the Debian package the way a family gets it, by hand (as root, several minutes, needs
# Debian's mirror):
#   bash tools/check-package.sh [pemblo_<version>_amd64.deb] [root folder]
# It makes a bare Debian 12 root with debootstrap, installs the package there with
# `apt install ./pemblo_*.deb` (every dependency from Debian), starts the root's own system bus
# and asks the guard for the settings (the bus starts the guard from its activation file),
# checks that a child's account is refused a change, starts the browser under Xvfb on pages
# served on 127.0.0.1 (14 listed words are shown, 15 are blocked: the guard's logs say which),
# then purges the package
# and shows that none of its files, its state folder, its groups or its login check is left.
# Without a package it builds one with tools/package.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" = 0 ] || { echo "check-package: run as root" >&2; exit 2; }
bash tools/install-deps.sh

deb=${1:-}
if [ -z "$deb" ]; then
  bash tools/package.sh
  deb=$(ls -t pemblo_*_amd64.deb | head -1)
fi
deb=$(readlink -f "$deb")
root=${2:-/var/tmp/pemblo-check-root}
name=$(basename "$deb")
say() { printf '\n== %s\n' "$*"; }
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

pids=()
# The processes that run inside the root (its /proc shows every process of the machine): their
# ids, those of the named programs only when names are given.
pids_in_root() {
  for proc in /proc/[0-9]*; do
    [ "$(readlink "$proc/root" 2>/dev/null)" = "$root" ] || continue
    if [ $# = 0 ] || printf '%s\n' "$@" | grep -qxF "$(cat "$proc/comm" 2>/dev/null)"; then
      echo "${proc#/proc/}"
    fi
  done
}
# Ends what runs inside the root: named programs, or everything.
end_in_root() {
  for pid in $(pids_in_root "$@"); do kill -9 "$pid" 2>/dev/null || true; done
}
# Shows the named program's processes inside the root; false when there are none.
running_in_root() {
  local found=1
  for pid in $(pids_in_root "$1"); do
    echo "$pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"
    found=0
  done
  return $found
}
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  end_in_root
  sleep 1
  for mount in dev/shm dev/pts dev sys proc; do
    if mountpoint -q "$root/$mount"; then umount -l "$root/$mount" || true; fi
  done
}
trap cleanup EXIT

say "a bare Debian 12 root in $root"
rm -rf "$root"
debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >/dev/null
mount -t proc proc "$root/proc"
mount -t sysfs sys "$root/sys"
mount --bind /dev "$root/dev"
mount -t devpts devpts "$root/dev/pts" -o newinstance,ptmxmode=0666
mount -t tmpfs shm "$root/dev/shm"
cp /etc/resolv.conf "$root/etc/resolv.conf"
in_root dpkg-query -W -f='${binary:Package}\n' | sort >"$root/tmp/before.txt"
echo "$(wc -l <"$root/tmp/before.txt") packages, no Qt: $(grep -c '^libqt6' "$root/tmp/before.txt" || true) Qt libraries"

say "apt install ./$name ($(du -h "$deb" | cut -f1))"
cp "$deb" "$root/tmp/$name"
in_root apt-get update -qq
DEBIAN_FRONTEND=noninteractive in_root apt-get install -y -q "/tmp/$name" | grep -E '^(Setting up pemblo|The following NEW|[0-9]+ upgraded)' || true
in_root dpkg-query -W -f='${Status} ${Version}\n' pemblo
ls -ld "$root/var/lib/pemblo"
in_root getent group pemblo-parents pemblo-children
grep -n pemblo "$root/etc/pam.d/common-account"

say "the root's system bus; the guard asked for the settings (the bus starts it)"
mkdir -p "$root/run/dbus"
in_root dbus-daemon --system --fork
in_root pemblo-config
running_in_root pemblo-guard

say "the parent's password; a child's account is refused a change"
echo "the parent's password" | in_root pemblo-guard --set-password
in_root useradd --create-home kid
in_root pemblo-guard --add-child kid
echo "guess" | in_root setpriv --reuid=kid --regid=kid --init-groups pemblo-config OffOn=0 && exit 1 || echo "refused (exit $?)"
in_root pemblo-config OffOn=1 | grep OffOn

say "the browser under Xvfb on pages served on 127.0.0.1: 14 listed words pass, 15 are blocked"
DEBIAN_FRONTEND=noninteractive in_root apt-get install -y -q --no-install-recommends xvfb xauth >/dev/null
mkdir -p "$root/srv/page"
for hits in 14 15; do
  { echo '<html><head><meta charset="utf-8"><title>page</title></head><body><p>'
    for _ in $(seq 1 "$hits"); do echo '这是赌博。'; done
    echo '</p></body></html>'; } >"$root/srv/page/words$hits.html"
  echo "words$hits.html: $(in_root svwordcount "/srv/page/words$hits.html" || true)"
done
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
(cd "$root/srv/page" && exec python3 -m http.server --bind 127.0.0.1 "$port" >/dev/null 2>&1) &
pids+=($!)
# The browser is the desktop's default already, so it opens the page without asking to become it.
mkdir -p "$root/root/.config"
printf '[Default Applications]\nx-scheme-handler/http=pemblobrowser.desktop;\n' >"$root/root/.config/mimeapps.list"
logs=$root/var/lib/pemblo/Pemblo/Log
# browse PAGE: the browser opens the page; waits (at most 120 s) until the browse log has it and
# the filter has had time to decide, then ends the browser.
browse() {
  in_root env QTWEBENGINE_DISABLE_SANDBOX=1 xvfb-run -a -s "-screen 0 1280x800x24" \
    dbus-run-session -- pemblo-browser "http://127.0.0.1:$port/$1" >/dev/null 2>&1 &
  local browser=$!
  for _ in $(seq 1 120); do
    grep -rqs -- "$port/$1" "$logs/拦截日志" && break
    if grep -rqsa -- "$port/$1" "$logs/浏览日志"; then sleep 10; break; fi
    sleep 1
  done
  kill "$browser" 2>/dev/null || true
  end_in_root PembloBrowser QtWebEngineProcess Xvfb
  wait "$browser" 2>/dev/null || true
}
for hits in 14 15; do
  browse "words$hits.html"
  grep -rqsa -- "$port/words$hits.html" "$logs/浏览日志" || { echo "check-package: words$hits.html was not opened" >&2; exit 1; }
  if blocked=$(grep -rhs -- "$port/words$hits.html" "$logs/拦截日志"); then
    echo "blocked: $blocked"
    [ "$hits" = 15 ] || { echo "check-package: a page of $hits words was blocked" >&2; exit 1; }
  else
    echo "shown: words$hits.html"
    [ "$hits" = 14 ] || { echo "check-package: a page of $hits words was not blocked" >&2; exit 1; }
  fi
done

say "apt purge pemblo"
# The guard is left running: the package's removal stops it (without systemd, by its program).
for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
# The package's files and links; its folders may be shared with other packages, or be links
# themselves (/lib on a merged /usr).
in_root dpkg-deb -c "/tmp/$name" | awk '$1 !~ /^d/ {print substr($6, 2)}' >"$root/tmp/files.txt"
DEBIAN_FRONTEND=noninteractive in_root apt-get purge -y -q pemblo | grep -E '^(Removing|Purging)' || true
left=0
while read -r path; do
  [ -z "$path" ] && continue
  if [ -e "$root$path" ] || [ -L "$root$path" ]; then echo "left: $path"; left=1; fi
done <"$root/tmp/files.txt"
for path in /usr/lib/pemblo /var/lib/pemblo /etc/xdg/autostart/pemblo.desktop \
  /etc/systemd/system/multi-user.target.wants/pemblo-guard.service; do
  if [ -e "$root$path" ]; then echo "left: $path"; left=1; fi
done
if in_root getent group pemblo-parents pemblo-children; then left=1; fi
if running_in_root pemblo-guard; then echo "the guard still runs"; left=1; fi
if grep -n pemblo "$root/etc/pam.d/common-account"; then left=1; fi
[ "$left" = 0 ] || { echo "check-package: files of the package are left" >&2; exit 1; }
echo "no file of the package is left; no state folder, groups or login check"
say "check-package: passed"
