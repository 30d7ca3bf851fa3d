#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Ozmira needs.
# Quick when everything is there: apt-get runs only for what is missing.
set -euo pipefail

build_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-image-formats-plugins
  libcurl4-openssl-dev ca-certificates nlohmann-json3-dev
  libatspi2.0-dev libx11-dev libxcb1-dev libxcb-shm0-dev libxcb-randr0-dev libxcb-keysyms1-dev libxtst-dev
  libzip-dev libpugixml-dev libturbojpeg0-dev libjpeg62-turbo-dev
  libgtest-dev libgmock-dev
  libtesseract-dev libleptonica-dev
)
run_packages=(fonts-noto-cjk at-spi2-core dbus xdg-utils tesseract-ocr-eng tesseract-ocr-chi-sim)
test_packages=(nodejs xvfb xauth openbox xdotool wmctrl dbus-x11 x11-utils xclip python3 python3-pyatspi openssl python3-openpyxl imagemagick)

want=("${build_packages[@]}" "${run_packages[@]}")
if [ "${1:-}" = "--tests" ]; then want+=("${test_packages[@]}"); fi

missing=()
for p in "${want[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
