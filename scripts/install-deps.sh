#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, with apt, and only
# what is missing: on a machine that has everything it changes nothing and
# prints nothing. Run as root (it is a no-op for anyone when all is present).
set -euo pipefail

packages=(
  cmake ninja-build python3
  # Native build: clang with the sanitizer and libFuzzer runtimes, GoogleTest.
  clang libclang-rt-14-dev googletest libgtest-dev
  # Windows cross builds; the binutils packages bring windres.
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  # Running the 64-bit build: wine64 on a virtual display, with a font that
  # has Chinese glyphs and imagemagick's `import` for screenshots.
  wine64 xvfb xauth fonts-wqy-zenhei imagemagick
  # xdpyinfo: run.sh asks whether a real display is there.
  x11-utils
  locales
)

missing=()
for p in "${packages[@]}"; do
  # dpkg -s also succeeds for removed-but-configured packages; ask for the state.
  if [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)" != installed ]; then
    missing+=("$p")
  fi
done

need_locale=no
if ! locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\?8'; then
  need_locale=yes
fi

if [ ${#missing[@]} -eq 0 ] && [ "$need_locale" = no ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: run as root; missing: ${missing[*]:-} (zh_CN.UTF-8 locale needed: $need_locale)" >&2
  exit 1
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

# The Windows tests run with code page 936, which Wine takes from a zh_CN locale.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\?8'; then
  echo "install-deps: generating zh_CN.UTF-8"
  if grep -q '^# *zh_CN.UTF-8 UTF-8' /etc/locale.gen; then
    sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  elif ! grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'zh_CN.UTF-8 UTF-8' >>/etc/locale.gen
  fi
  locale-gen
fi
