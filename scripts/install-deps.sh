#!/usr/bin/env bash
# Installs the Debian 12 packages the project builds, tests and runs with, skipping those present.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  qt6-base-dev libqt6sql6-sqlite qt6-tools-dev libqt6opengl6-dev libcurl4-openssl-dev libcpp-httplib-dev libmicrohttpd-dev fonts-wine fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev rapidjson-dev locales
  libsystemd-dev dpkg-dev file lintian
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
echo "installing: ${missing[*]}"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
