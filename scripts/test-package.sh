#!/usr/bin/env bash
# Tests the Debian package the way a user meets it: installed into a fresh
# folder (dpkg-deb -x, so neither root nor the system's package database is
# needed), used there to convert the sample, checked, and removed again.
#
#   scripts/test-package.sh [PACKAGE.deb]     default: build/package/scrivane_*.deb
#   scripts/test-package.sh --build-dir DIR   makes a fresh package from the build in DIR first
#   add --system to also install it with dpkg, convert with the installed program,
#   and purge it again (root only; refused when scrivane is already installed)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

deb="" build_dir="" system=0
while (($#)); do
  case "$1" in
    --build-dir) build_dir=$2; shift 2 ;;
    --system) system=1; shift ;;
    *) deb=$1; shift ;;
  esac
done

work=$(mktemp -d "${TMPDIR:-/tmp}/scrivane-package-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
pass() { echo "ok: $*"; }
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }
check() {  # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

if [[ -n "$build_dir" ]]; then
  cpack --config "$build_dir/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log" >&2
    exit 1
  }
  deb=$(ls "$work"/package/scrivane_*.deb)
fi
if [[ -z "$deb" ]]; then
  deb=$(ls "$here"/build/package/scrivane_*.deb 2>/dev/null | tail -n 1 || true)
fi
[[ -f "$deb" ]] || { echo "No package: run scripts/package.sh first, or give one." >&2; exit 2; }
echo "Testing $deb"

# What the package says about itself, and whether this system can satisfy it.
version=$(dpkg-deb -f "$deb" Version)
check "package name" test "$(dpkg-deb -f "$deb" Package)" = scrivane
check "depends on Qt and its platform plugins" \
  bash -c "dpkg-deb -f '$deb' Depends | grep -q libqt6widgets6 && dpkg-deb -f '$deb' Depends | grep -q qt6-qpa-plugins"
if command -v apt-get >/dev/null; then
  check "dependencies can be met here" bash -c "apt-get -s -qq install '$deb' >/dev/null 2>&1"
fi

# Installed into a fresh folder.
root=$work/root
dpkg-deb -x "$deb" "$root"
for path in usr/bin/scrivane usr/bin/scrivane-convert \
            usr/share/man/man1/scrivane.1.gz usr/share/man/man1/scrivane-convert.1.gz \
            usr/share/applications/org.example.scrivane.desktop \
            usr/share/metainfo/org.example.scrivane.metainfo.xml \
            usr/share/icons/hicolor/scalable/apps/org.example.scrivane.svg; do
  check "installs /$path" test -e "$root/$path"
done
module=$(find "$root/usr" -name libscrivane-window.so | head -n 1)
check "installs the window module" test -n "$module"
core_module=$(find "$root/usr" -name libscrivane-qtcore.so | head -n 1)
check "installs the Qt Core module beside it" test "$(dirname "$core_module")" = "$(dirname "$module")"
# The library with what building against it needs, and the Python module.
library=$(find "$root/usr/lib" -name libscrivane.so.1 | head -n 1)
python_module=$(find "$root/usr/lib/python3/dist-packages" -name 'scrivane.cpython-*.so' 2>/dev/null | head -n 1 || true)
check "installs libscrivane.so.1" test -n "$library"
check "installs the header" test -f "$root/usr/include/scrivane/scrivane.h"
check "installs the pkg-config file for /usr" bash -c "grep -qx 'prefix=/usr' \"\$(find '$root/usr/lib' -name scrivane.pc)\""
check "installs the CMake package" test -n "$(find "$root/usr/lib" -name ScrivaneConfig.cmake)"
# A sanitizer build makes no Python module: Python itself could not load it.
with_python=1
if [[ -n "$build_dir" ]] && grep -qx 'SCRIVANE_BUILD_PYTHON:BOOL=OFF' "$build_dir/CMakeCache.txt"; then
  with_python=0
  echo "skipped: the Python module (not built in $build_dir)"
else
  check "installs the Python module" test -n "$python_module"
fi
check "names the library in its shlibs file" bash -c "dpkg-deb -I '$deb' shlibs | grep -q '^libscrivane 1 scrivane'"
for binary in "$root/usr/bin/scrivane" "$root/usr/bin/scrivane-convert" $module $library $python_module; do
  name=$(basename "$binary")
  check "$name finds every library" bash -c "! ldd '$binary' | grep -q 'not found'"
  check "$name needs nothing from the build folder" bash -c "! ldd '$binary' | grep -q '$here'"
done

# Used there, with a private home and no display, as over SSH.
home=$work/home
mkdir -p "$home" "$work/docs/sub"
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$home" XDG_CONFIG_HOME="$home/.config" "$@"; }
check "scrivane-convert --version" test "$(run "$root/usr/bin/scrivane-convert" --version)" = "scrivane-convert $version"
run "$root/usr/bin/scrivane-convert" "$here/examples/sample.txt" >"$work/sample.html"
check "converts the sample to standard output" \
  bash -c "grep -q '<TITLE>Converted by Scrivane</TITLE>' '$work/sample.html' && grep -q '<A HREF=' '$work/sample.html'"
check "converts standard input" \
  test "$(printf 'one\ntwo\n' | run "$root/usr/bin/scrivane-convert" --format list --fragment)" = \
       "$(printf '<UL>\r\n<LI>one \r\n<LI>two \r\n</UL>\r')"
cp "$here/examples/sample.txt" "$work/docs/a.txt"
cp "$here/examples/sample.txt" "$work/docs/sub/b.txt"
check "converts a folder" \
  bash -c "$(declare -f run); home='$home'; run '$root/usr/bin/scrivane-convert' -r '$work/docs' 2>/dev/null && test -s '$work/docs/a.txt.html' && test -s '$work/docs/sub/b.txt.html'"
cp "$here/examples/sample.txt" "$work/my notes.txt"
((with_python)) && check "the Python module converts as scrivane-convert does" \
  bash -c "PYTHONPATH='$(dirname "$python_module")' /usr/bin/python3 -c 'import sys, scrivane; scrivane.convert_file(sys.argv[1], sys.argv[2])' '$here/examples/sample.txt' '$work/python.html' && cmp -s <(sed '/^Date: /d' '$work/python.html') <(sed '/^Date: /d' '$work/sample.html')"
check "scrivane FILE converts without a window" \
  bash -c "$(declare -f run); home='$home'; run '$root/usr/bin/scrivane' '$work/my notes.txt' >/dev/null && cmp -s <(sed '/^Date: /d' '$work/my notes.txt.html') <(sed '/^Date: /d' '$work/sample.html')"

# The window starts and keeps running (on a private X server when there is one,
# which needs the X11 platform plugin the package depends on).
window_start() {
  if command -v xvfb-run >/dev/null; then
    HOME="$home" XDG_CONFIG_HOME="$home/.config" timeout 5 xvfb-run -a "$root/usr/bin/scrivane"
  else
    run env QT_QPA_PLATFORM=offscreen timeout 5 "$root/usr/bin/scrivane"
  fi
}
check "the window opens" bash -c "$(declare -f run window_start); home='$home'; root='$root'; window_start >/dev/null 2>&1; test \$? -eq 124"

# The desktop files and manual pages as installed.
if command -v desktop-file-validate >/dev/null; then
  check "desktop entry is valid" desktop-file-validate "$root/usr/share/applications/org.example.scrivane.desktop"
fi
check "the desktop entry's icon is installed under its name" \
  test "$(sed -n 's/^Icon=//p' "$root/usr/share/applications/org.example.scrivane.desktop")" = org.example.scrivane
if command -v appstreamcli >/dev/null; then
  check "AppStream metadata is valid" \
    bash -c "appstreamcli validate --no-net '$root/usr/share/metainfo/org.example.scrivane.metainfo.xml' >/dev/null"
fi
if command -v man >/dev/null; then
  for page in scrivane scrivane-convert; do
    check "manual page $page renders cleanly" \
      bash -c "out=\$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l '$root/usr/share/man/man1/$page.1.gz' 2>&1 >/dev/null); test -z \"\$out\""
  done
fi

# Optionally the real thing: installed with dpkg, used from the PATH, purged.
if ((system)); then
  if [[ $(id -u) -ne 0 ]]; then
    fail "--system needs root"
  elif dpkg-query -W -f='${Status}' scrivane 2>/dev/null | grep -q "install ok installed"; then
    fail "--system: scrivane is already installed here; not touching it"
  else
    if dpkg -i "$deb" >/dev/null; then
      check "installed program converts" \
        bash -c "printf 'www.example.org\n' | env -u DISPLAY HOME='$home' scrivane-convert --fragment | grep -q 'HREF=\"http://www.example.org\"'"
      check "installed manual page is found" bash -c "man -w scrivane-convert >/dev/null"
      check "installed Python module imports" /usr/bin/python3 -c "import scrivane"
    else
      fail "dpkg -i"
    fi
    dpkg --purge scrivane >/dev/null
    check "purge removes the programs" bash -c "! test -e /usr/bin/scrivane-convert && ! test -e /usr/bin/scrivane"
  fi
fi

if ((failures)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "Package test passed."
