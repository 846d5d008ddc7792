# Shared by scripts/run and scripts/test: the packages MIRVO needs on Debian, installed only when
# missing, so that a second run costs nothing.
set -euo pipefail

MIRVO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
MIRVO_JOBS=${MIRVO_JOBS:-2}

# What building and running the program needs (scripts/install asks for no more), then what the
# tests need besides.
MIRVO_BUILD_PACKAGES=(
  cmake g++ make pkg-config qt6-base-dev libfontconfig-dev qt6-qpa-plugins fonts-noto-cjk rsync
)
MIRVO_PACKAGES=(
  "${MIRVO_BUILD_PACKAGES[@]}" libgtest-dev
  xvfb xauth xdotool trayer xterm x11-utils libx11-dev imagemagick
  fonts-wqy-zenhei
  locales procps util-linux passwd
  desktop-file-utils libglib2.0-bin libxml2-utils
)

mirvo_install_missing() {
  local missing=() pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "安装缺少的软件包 / installing: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
  fi
  $sudo apt-get update -qq || return 1
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null || return 1
}

# Our own builds treat warnings as errors (MIRVO_WERROR); a user's or a packager's plain build does
# not. The build functions check every step themselves: scripts/test calls them in `if` and `||`
# contexts, where bash ignores set -e, and a step that failed must end the build there, or ctest
# would go on to run the test programs an earlier build left behind.
mirvo_build_linux() {
  mirvo_install_missing "${MIRVO_PACKAGES[@]}" || return 1
  cmake -S "$MIRVO_ROOT" -B "$MIRVO_ROOT/build/linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMIRVO_WERROR=ON >/dev/null || return 1
  cmake --build "$MIRVO_ROOT/build/linux" -j "$MIRVO_JOBS" || return 1
}
