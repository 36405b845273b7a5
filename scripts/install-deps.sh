#!/usr/bin/env bash
# Installs the Debian packages the build needs (with --package, also what making
# the Debian package needs; with --test, also what the tests need, the package
# test included, and a window manager, xdotool and imagemagick to try the window
# and take its screenshots). Quiet and quick when everything is already there.
set -euo pipefail

packages=(g++ cmake ninja-build qt6-base-dev qt6-svg-dev libgl-dev libgtest-dev libgmock-dev libbenchmark-dev)
if [[ "${1:-}" == "--package" || "${1:-}" == "--test" ]]; then
  packages+=(dpkg-dev)
fi
if [[ "${1:-}" == "--test" ]]; then
  packages+=(xvfb xauth chromium clang libclang-rt-14-dev desktop-file-utils appstream man-db qt6-qpa-plugins
            openbox xdotool imagemagick)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
((${#missing[@]} == 0)) && exit 0

sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
echo "Installing missing packages: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
