#!/usr/bin/env bash
# Installs what building and testing Parallo needs on Debian 12 (or a close relative), skipping
# packages that are already installed. Runs apt-get as root, or through sudo when not root.
set -euo pipefail

PACKAGES=(
  g++ cmake make pkg-config
  libproj-dev proj-data proj-bin sqlite3
  nlohmann-json3-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  libxml2-utils time
  libfreetype-dev libharfbuzz-dev libfontconfig-dev fonts-dejavu-core
  python3-dev pybind11-dev python3-numpy python3-matplotlib python3-cartopy python-cartopy-data
)

missing=()
for pkg in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
elif command -v sudo >/dev/null 2>&1; then
  SUDO=(sudo)
else
  echo "setup: missing packages (${missing[*]}) and no root rights to install them" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
