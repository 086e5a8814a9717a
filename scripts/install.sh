# Sourced by scripts/test and scripts/run: installs the Debian packages the
# project needs when they are missing (as root directly, else through sudo),
# the ru_RU.UTF-8 locale whose code page the Cyrillic captions use, and the
# en_US.UTF-8 locale of a Western system's code page, which the program is
# tested under a second time.
#
#   source scripts/install.sh; install_requirements NAME-OF-CALLER [EXTRA-PACKAGE...]

need_cmds=(cmake ninja clang++ i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix wine Xvfb xdotool xwininfo socat localedef)
need_pkgs=(cmake ninja-build g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libbenchmark-dev googletest
           clang libclang-rt-14-dev wine wine64 wine32:i386 xvfb xdotool x11-utils x11-apps netpbm socat locales)
# The virtual null-modem's modem-line library is built for both Wine architectures.
need_pkgs+=(gcc-multilib)
# The simulated relay board (tools/board): the Arduino core and AVR toolchain
# for the sketch, the AVR simulator's library for the board program.
need_cmds+=(make cc pkg-config avr-gcc)
need_pkgs+=(make gcc pkgconf arduino-core-avr gcc-avr avr-libc libsimavr-dev libelf-dev)

install_say() { printf '\n==> %s\n' "$*"; }

missing_pkgs() {
  local p
  for p in "${need_pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || printf '%s\n' "$p"
  done
}

install_missing() {
  local caller=$1 missing
  missing=$(missing_pkgs | tr '\n' ' ')
  [ -n "${missing// /}" ] || return 0
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
      sudo=(sudo)
    else
      echo "$caller: these packages are missing and cannot be installed without root: $missing" >&2
      echo "Install them (after 'dpkg --add-architecture i386 && apt-get update') and run again." >&2
      exit 2
    fi
  fi
  install_say "Installing missing packages: $missing"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386
  fi
  "${sudo[@]}" apt-get update -q
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends $missing
}

ensure_locale() {
  local name sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  for name in ru_RU en_US; do
    if ! locale -a 2>/dev/null | grep -qix "$name.utf8"; then
      install_say "Generating the $name.UTF-8 locale"
      "${sudo[@]}" localedef -i "$name" -f UTF-8 "$name.UTF-8"
    fi
  done
}

install_requirements() {
  local caller=$1 c
  shift
  need_pkgs+=("$@")
  install_missing "$caller"
  for c in "${need_cmds[@]}"; do
    command -v "$c" >/dev/null || { echo "$caller: '$c' is still missing after installation" >&2; exit 2; }
  done
  ensure_locale
}
