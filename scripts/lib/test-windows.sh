# Sourced by scripts/test: the Windows build (mingw-w64) and its suites under Wine.
# KOLVARIN_WINDOWS=0 skips both.
#
# windows_configure ROOT: configures the Windows build (nothing is built).
# windows_build ROOT: cross-builds the services, kolvarin-tool.exe and the Windows test suites
#   into ROOT/build-win (outside the sandbox; nothing runs).
# windows_build_updater ROOT DIR [CMAKE-ARGS...]: kolvarin-update.exe alone, built into DIR with
#   other settings (the end-to-end tests' https publisher and key).
# windows_package ROOT: the Windows zip from that build, checked (KOLVARIN_PACKAGE=0 skips it).
# windows_prepare ROOT: inside the sandbox (loopback only, the display already up), makes the
#   Wine prefix under build-win once, starts the Wine server for the whole run and names the
#   Windows build in KOLVARIN_WINDOWS_BUILD for the end-to-end tests of the Linux tree, which
#   run kolvarin-update.exe under Wine.
# windows_tests ROOT [ctest arguments...]: then runs the Windows suites under Wine and stops
#   the Wine server.

windows_enabled() {
  [[ ${KOLVARIN_WINDOWS:-1} != 0 ]]
}

# windows_configure ROOT: configures ROOT/build-win (its suites are then known to ctest).
windows_configure() {
  local root=$1
  cmake -S "$root" -B "$root/build-win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DKOLVARIN_WERROR=ON >/dev/null
}

windows_build() {
  local root=$1
  windows_enabled || return 0
  windows_configure "$root"
  cmake --build "$root/build-win"
  # Static: the programs import nothing but the system's DLLs.
  local imports
  imports=$(x86_64-w64-mingw32-objdump -p "$root/build-win/kolvarin-tool.exe" | sed -n 's/^\s*DLL Name: //p')
  if grep -qiE 'libstdc|libgcc|libwinpthread' <<<"$imports"; then
    echo "test: kolvarin-tool.exe is not static; it imports: $imports" >&2
    return 1
  fi
}

windows_build_updater() {
  local root=$1 dir=$2
  shift 2
  windows_enabled || return 0
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
    -DKOLVARIN_WERROR=ON -DKOLVARIN_TESTS=OFF -DKOLVARIN_BENCH=OFF "$@" >/dev/null
  cmake --build "$dir" --target kolvarin-update
}

windows_package() {
  local root=$1
  windows_enabled || return 0
  [[ ${KOLVARIN_PACKAGE:-1} != 0 ]] || return 0
  "$root/scripts/lib/check-windows-package.sh" \
    "$("$root/scripts/package-windows" "$root/build-win" | tail -n 1)" "$root/build-win"
}

windows_prepare() {
  local root=$1
  windows_enabled || return 0
  export WINEPREFIX=$root/build-win/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  local wine_bin=/usr/lib/wine
  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    echo "test: making the Wine prefix (once)"
    "$wine_bin/wine64" wineboot -i >/dev/null 2>&1 || true
    # The server writes the new prefix's registry when it ends.
    "$wine_bin/wineserver" -w || true
  fi
  # One Wine server and one set of Wine's background services for all the suites, started here
  # with their output on /dev/null: services started by a test would hold ctest's output pipe
  # open after the test has ended.
  "$wine_bin/wineserver" -p >/dev/null 2>&1 || true
  "$wine_bin/wine64" wineboot >/dev/null 2>&1 || true
  export KOLVARIN_WINDOWS_BUILD=$root/build-win
}

windows_tests() {
  local root=$1
  shift
  windows_enabled || return 0
  local wine_bin=/usr/lib/wine
  echo "test: the Windows suites under Wine"
  local status=0
  ctest --test-dir "$root/build-win" --output-on-failure -j "$(nproc)" --timeout 600 "$@" || status=$?
  "$wine_bin/wineserver" -k || true
  return $status
}
