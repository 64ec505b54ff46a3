#!/usr/bin/env bash
# Installs what Zerath needs to build, run, test and package on Debian, skipping
# what is there.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config zlib1g-dev libisal-dev qt6-base-dev qt6-image-formats-plugins
          libgtest-dev libcrypto++-dev libgmp-dev libbenchmark-dev libssl-dev openssl
          clang libclang-rt-14-dev xvfb xauth
          # scripts/ct-check.sh, run by hand
          valgrind
          # the installed-tree check, the Debian package and the icon drawing
          desktop-file-utils appstream shared-mime-info man-db dpkg-dev file qt6-svg-dev lintian)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
