# Shared set-up of scripts/test and scripts/run: packages, locale, builds,
# a private X display and a private Wine prefix. Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${ZORVANE_BUILD:-$ROOT/build}

PACKAGES=(cmake make g++ googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64 mingw-w64-tools wine wine64 xvfb xdotool x11-utils locales
  fonts-ipafont-gothic imagemagick faketime)

log() { printf '== %s\n' "$*" >&2; }

# Installs only what is missing; quick when everything is there.
ensure_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    log "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
  # The ANSI code page under Wine follows the Unix locale: ja_JP.UTF-8 gives 932.
  if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    log "generating the ja_JP.UTF-8 locale"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
  fi
}

build_native() {
  cmake -S "$ROOT" -B "$BUILD/native" -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$BUILD/native" -j"$(nproc)"
}

# The cross build in Release; only the targets named, when any are.
build_windows() {
  cmake -S "$ROOT" -B "$BUILD/win" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
  cmake --build "$BUILD/win" -j"$(nproc)" ${1:+--target "$@"}
}

STARTED_XVFB=""
STARTED_WINE=""

# A virtual display of our own. Xvfb picks the number itself (-displayfd)
# and writes it once it listens: it skips numbers whose lock file or socket
# exists, including the abstract socket, which a chroot or container shares
# with the host's displays although its /tmp differs.
start_xvfb() {
  local number
  number=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
  STARTED_XVFB=$!
  for _ in $(seq 300); do
    if [ -s "$number" ]; then
      export DISPLAY=":$(head -n1 "$number")"
      rm -f "$number"
      return 0
    fi
    kill -0 "$STARTED_XVFB" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$number"
  log "Xvfb did not start"; return 1
}

# The registry settings of the prefix, as a file for regedit: UTF-16LE with a
# byte order mark, since regedit misreads UTF-8 value names. printf and
# iconv (part of the C library's tools) are on every Debian system.
write_registry() {
  {
    printf '\xff\xfe'
    printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
      '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
      '"ＭＳ Ｐゴシック"="IPAPGothic"' \
      '"ＭＳ ゴシック"="IPAGothic"' '' \
      '[HKEY_CURRENT_USER\Software\Wine\Explorer]' \
      '"Desktop"="Default"' '' \
      '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' \
      '"Default"="1280x800"' | iconv -f UTF-8 -t UTF-16LE
  } >"$1"
}

# A private Wine prefix in Japanese, with the Japanese Windows font names
# mapped onto the IPA fonts, and a Wine virtual desktop: without a window
# manager, every hide or destroy of a mapped X window otherwise waits about
# a second for the X server.
start_wine() {
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
  export WINEPREFIX="$BUILD/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH=win64
  if [ ! -f "$WINEPREFIX/.zorvane-ready-2" ]; then
    log "creating the Wine prefix"
    wineboot -i >/dev/null 2>&1 || true
    write_registry "$BUILD/fonts.reg"
    wine regedit "$BUILD/fonts.reg" >/dev/null 2>&1
    wineserver -w
    # A prefix without these keys gives wrong fonts and no virtual desktop;
    # it must not be taken for a finished one at the next start.
    if ! grep -q '"IPAPGothic"' "$WINEPREFIX/user.reg" 2>/dev/null ||
       ! grep -q '^\[Software\\\\Wine\\\\Explorer\\\\Desktops\]' "$WINEPREFIX/user.reg"; then
      log "the Wine prefix lacks its registry settings"; return 1
    fi
    touch "$WINEPREFIX/.zorvane-ready-2"
  fi
  wineserver -p
  STARTED_WINE=1
  # A run stopped during its pass at another scale may have left it behind.
  if grep -q '^"LogPixels"=dword:' "$WINEPREFIX/user.reg" &&
     ! grep -q '^"LogPixels"=dword:00000060' "$WINEPREFIX/user.reg"; then
    set_display_dpi 96
  fi
}

# The display scale of the prefix, in DPI: 96 is 100 %, 144 is 150 %. The
# system reads it when it starts, so the prefix's wineserver is restarted.
set_display_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 || return 1
  wineserver -k 2>/dev/null || true
  wineserver -w
  wineserver -p
}

stop_all() {
  if [ -n "$STARTED_WINE" ]; then wineserver -k 2>/dev/null || true; STARTED_WINE=""; fi
  if [ -n "$STARTED_XVFB" ]; then kill "$STARTED_XVFB" 2>/dev/null || true; wait "$STARTED_XVFB" 2>/dev/null || true; STARTED_XVFB=""; fi
}
