# The Windows build: cross-compiled with MinGW-w64, its tests run under Wine with a Chinese
# locale so that the ANSI code page is 936, as on the systems MIRVO is made for.

MIRVO_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine wine64 locales xvfb xauth xdotool trayer
                        imagemagick)
MIRVO_WINDOWS_BUILD="$MIRVO_ROOT/build/windows"

mirvo_windows_environment() {
  if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
    localedef -i zh_CN -f UTF-8 zh_CN.UTF-8 || return 1
  fi
  export WINEPREFIX="$MIRVO_WINDOWS_BUILD/wineprefix" WINEDEBUG=-all \
         WINEDLLOVERRIDES="mscoree,mshtml=" LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
  mkdir -p "$MIRVO_WINDOWS_BUILD" || return 1
  # Wine's services must run before ctest starts test programs, or they crawl.
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
  fi
  wineserver -p 2>/dev/null || true
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# Every step is checked here, as in mirvo_build_linux.
mirvo_build_windows() {
  mirvo_install_missing "${MIRVO_WINDOWS_PACKAGES[@]}" || return 1
  mirvo_windows_environment || return 1
  cmake -S "$MIRVO_ROOT" -B "$MIRVO_WINDOWS_BUILD" \
    -DCMAKE_TOOLCHAIN_FILE="$MIRVO_ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DMIRVO_WERROR=ON >/dev/null || return 1
  cmake --build "$MIRVO_WINDOWS_BUILD" -j "$MIRVO_JOBS" || return 1
  cmake --build "$MIRVO_WINDOWS_BUILD" --target package_zip || return 1
}

# A failed build runs no test: build/windows may still hold the test programs of an earlier build.
mirvo_test_windows() {
  if ! mirvo_build_windows; then
    echo "Windows 构建失败，未运行其测试 / the Windows build failed; its tests were not run" >&2
    return 1
  fi
  local status=0
  (cd "$MIRVO_WINDOWS_BUILD" && ctest --output-on-failure --timeout 300) || status=$?
  wineserver -k 2>/dev/null || true
  return $status
}
