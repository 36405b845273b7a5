#!/usr/bin/env bash
# libscrivane as a user meets it: installed into a temporary prefix by
# cmake --install (its component "library"), checked there, and a C program built against the installed
# header and library, once through pkg-config and once through
# find_package(Scrivane), run against scrivane-convert (api_test.c).
#
#   install_test.sh BUILD_DIR SOURCE_DIR C_COMPILER SCRIVANE_CONVERT [C_FLAGS]
# C_FLAGS: what the build's objects need in the program too (the sanitizers).
set -euo pipefail
build=$1 source=$2 cc=$3 convert=$4 cflags=${5:-}

work=$(mktemp -d "${TMPDIR:-/tmp}/scrivane-library-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" --component library >"$work/install.log" 2>&1 ||
  { cat "$work/install.log" >&2; exit 1; }

# What is installed.
library=$(find "$prefix" -name 'libscrivane.so.*.*' | head -n 1)
pc=$(find "$prefix" -name scrivane.pc | head -n 1)
[[ -f "$prefix/include/scrivane/scrivane.h" ]] || fail "the header is installed as scrivane/scrivane.h"
[[ -n "$library" && -n "$pc" ]] || { echo "FAILED: no library or no pkg-config file in $prefix" >&2; exit 1; }
[[ -n $(find "$prefix" -name ScrivaneConfig.cmake) ]] || fail "the CMake package is installed"
soname=$(objdump -p "$library" | awk '$1 == "SONAME" { print $2 }')
[[ "$soname" == libscrivane.so.1 ]] || fail "SONAME is '$soname'"
[[ -L $(dirname "$library")/libscrivane.so ]] || fail "the link libscrivane.so is installed"
others=$(nm -D --defined-only "$library" | awk '$2 != "A" && $3 !~ /^scrivane_/ { print $3 }')
[[ -z "$others" ]] || fail "the library exports more than its C API: $(echo $others | head -c 300)"
ldd "$library" | grep -q libQt && fail "the library needs Qt"

# Through pkg-config.
export PKG_CONFIG_PATH=$(dirname "$pc")
libdir=$(pkg-config --variable=libdir scrivane)
[[ "$libdir" == "$prefix"/* ]] || fail "pkg-config names the prefix installed into, not '$libdir'"
# shellcheck disable=SC2046,SC2086
"$cc" -std=c99 -Wall -Wextra -pedantic -Werror $cflags $(pkg-config --cflags scrivane) \
  "$source/tests/library/api_test.c" -o "$work/api_test" $(pkg-config --libs scrivane) -Wl,-rpath,"$libdir"
mkdir "$work/pkg-config"
cases=$source/tests/library/format_cases.txt sample=$source/examples/sample.txt
"$work/api_test" "$convert" "$cases" "$sample" "$work/pkg-config" || fail "api_test built through pkg-config"

# Through find_package.
cmake -S "$source/tests/library/consumer" -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_COMPILER="$cc" -DCMAKE_C_FLAGS="$cflags" -DAPI_TEST_SOURCE="$source/tests/library/api_test.c" \
  >"$work/consumer.log" 2>&1 && cmake --build "$work/consumer" >>"$work/consumer.log" 2>&1 ||
  { cat "$work/consumer.log" >&2; exit 1; }
mkdir "$work/find-package"
"$work/consumer/api_test" "$convert" "$cases" "$sample" "$work/find-package" ||
  fail "api_test built through find_package"

# The Python module, where this build has one, imports from the prefix alone.
module=$(find "$prefix" -name 'scrivane.cpython-*.so' | head -n 1)
if [[ -n "$module" ]]; then
  [[ "$module" == */lib/python3/dist-packages/* ]] || fail "the Python module is in Debian's layout: $module"
  version=$(env -u LD_LIBRARY_PATH PYTHONPATH="$(dirname "$module")" /usr/bin/python3 -c \
    'import scrivane; print(scrivane.__version__)') || fail "the installed Python module imports"
  [[ "$version" == "$(pkg-config --modversion scrivane)" ]] || fail "the Python module's version is '$version'"
fi

if ((failures)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "Library install test passed."
