#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, skipping the
# package lists when everything is already there.
set -euo pipefail
packages=(build-essential cmake g++ pkg-config libgtest-dev libbenchmark-dev
          qt6-base-dev fonts-liberation fonts-ipafont-gothic clang libclang-rt-14-dev
          dpkg-dev desktop-file-utils appstream groff-base nlohmann-json3-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
