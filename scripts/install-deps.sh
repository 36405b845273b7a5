#!/usr/bin/env bash
# Installs the Debian packages the build needs (with --package, also what making
# the Debian package needs; with --test, also what the tests need, the package
# test and the modern page's checkers included: Java, Node.js and npm from
# Debian, and the npm packages of tests/page; emscripten to build the web page;
# and a window manager, xdotool and imagemagick to try the window and take its
# screenshots). Quiet and quick when
# everything is already there.
set -euo pipefail

packages=(g++ cmake ninja-build qt6-base-dev qt6-svg-dev libgl-dev libidn2-dev libunistring-dev libgtest-dev libgmock-dev libbenchmark-dev
          python3-dev python3-pybind11)
# scrivane-convert hashes its inputs with xxHash (header only, inlined: no library at run time).
packages+=(libxxhash-dev)
if [[ "${1:-}" == "--package" || "${1:-}" == "--test" ]]; then
  packages+=(dpkg-dev)
fi
if [[ "${1:-}" == "--test" ]]; then
  packages+=(xvfb xauth chromium clang libclang-rt-14-dev desktop-file-utils appstream man-db qt6-qpa-plugins
            pkgconf python3-pytest python3-distributed openjdk-17-jre-headless openbox xdotool imagemagick
            emscripten)
  # A Node.js that brings its own npm (as some machines have) conflicts with Debian's npm.
  command -v npm >/dev/null || packages+=(nodejs npm)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if ((${#missing[@]} > 0)); then
  sudo=()
  [[ $(id -u) -ne 0 ]] && sudo=(sudo)
  echo "Installing missing packages: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [[ "${1:-}" == "--test" ]]; then
  # The locked npm packages, again whenever the lock file changed. No install
  # scripts: they would fetch a Java or a browser of their own.
  page_checks="$(dirname "$0")/../tests/page"
  if [[ ! -f $page_checks/node_modules/.package-lock.json ||
        $page_checks/package-lock.json -nt $page_checks/node_modules/.package-lock.json ]]; then
    echo "Installing the npm packages of tests/page"
    (cd "$page_checks" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error >/dev/null)
  fi
fi
