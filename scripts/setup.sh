#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Ozmira needs.
# Quick when everything is there: apt-get runs only for what is missing.
#
# As a normal user it asks for root through sudo, or through su where sudo is missing or
# refuses; where neither works it prints the one command to run by hand. It waits (bounded)
# for another package manager that holds the lock, and never stops at a package's question.
set -euo pipefail

# How long to wait for a package manager that another program is running (unattended
# upgrades or the software centre right after the first login).
lock_wait=${OZMIRA_APT_LOCK_WAIT:-600}
self=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")

# Runs as root: apt-get, waiting for the locks another program holds, never at a prompt.
install_as_root() {
  export DEBIAN_FRONTEND=noninteractive
  local options=(-o "DPkg::Lock::Timeout=$lock_wait" -o Dpkg::Options::=--force-confdef
                 -o Dpkg::Options::=--force-confold)
  local waited=0 log
  log=$(mktemp)
  # The lists lock of "update" is not covered by the dpkg lock timeout on every apt.
  until apt-get "${options[@]}" update 2>"$log"; do
    if ! grep -q "Could not get lock" "$log" || [ "$waited" -ge "$lock_wait" ]; then
      cat "$log" >&2; rm -f "$log"; return 1
    fi
    [ "$waited" -eq 0 ] && echo "Another program is using the package manager; waiting for it (at most ${lock_wait} s)..." >&2
    sleep 5; waited=$((waited + 5))
  done
  rm -f "$log"
  apt-get "${options[@]}" install -y --no-install-recommends "$@"
}

if [ "${1:-}" = "--install-as-root" ]; then
  shift
  install_as_root "$@"
  exit $?
fi


build_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-image-formats-plugins
  libcurl4-openssl-dev ca-certificates nlohmann-json3-dev
  libatspi2.0-dev libx11-dev libxcb1-dev libxcb-shm0-dev libxcb-randr0-dev libxcb-keysyms1-dev libxcb-damage0-dev libxtst-dev
  libzip-dev libpugixml-dev libturbojpeg0-dev libjpeg62-turbo-dev
  libgtest-dev libgmock-dev libwayland-dev
  libtesseract-dev libleptonica-dev
)
run_packages=(fonts-noto-cjk at-spi2-core dbus xdg-utils tesseract-ocr-eng tesseract-ocr-chi-sim qt6-wayland wl-clipboard)
test_packages=(nodejs xvfb xauth openbox picom trayer xdotool wmctrl dbus-x11 x11-utils x11-xserver-utils xclip python3 python3-pyatspi python3-gi gir1.2-gtk-3.0 openssl python3-openpyxl imagemagick lintian desktop-file-utils appstream clang libclang-rt-14-dev
               sway swaybg grim pipewire xdg-desktop-portal xdg-desktop-portal-wlr xdg-desktop-portal-gtk libglib2.0-bin)
package_packages=(dpkg-dev imagemagick)

want=("${build_packages[@]}" "${run_packages[@]}")
if [ "${1:-}" = "--tests" ]; then want+=("${test_packages[@]}" "${package_packages[@]}"); fi
if [ "${1:-}" = "--package" ]; then want+=("${package_packages[@]}"); fi

missing=()
for p in "${want[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

by_hand="apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"

give_up() {
  echo >&2
  echo "Ozmira's setup could not get root rights to install the Debian packages it needs." >&2
  echo "Run this one line as root (for example after 'su -'), then run this script again:" >&2
  echo >&2
  echo "    $by_hand" >&2
  echo >&2
  exit 1
}

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  install_as_root "${missing[@]}"
  exit $?
fi

# sudo and su drop DEBIAN_FRONTEND, so the root side sets it itself.
root_cmd=$(printf '%q ' bash "$self" --install-as-root "${missing[@]}")
# sudo first, if it exists and lets this user in (-v asks for the password once and fails
# for a user who is not in the sudoers file, without running anything).
if command -v sudo >/dev/null 2>&1; then
  if sudo -v; then
    status=0
    sudo bash "$self" --install-as-root "${missing[@]}" || status=$?
    [ $status -eq 0 ] || echo "The install through sudo failed (exit status $status)." >&2
    exit $status
  fi
  echo "sudo does not let this user install packages; trying su instead (root's password)." >&2
else
  echo "sudo is not installed; trying su instead (root's password)." >&2
fi
if command -v su >/dev/null 2>&1; then
  status=0
  su root -c "$root_cmd" || status=$?
  [ $status -eq 0 ] && exit 0
  echo "su failed (exit status $status)." >&2
fi
give_up
