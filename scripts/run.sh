#!/usr/bin/env bash
# Builds everything and assembles the shipping folder out/release/:
# the 32-bit Install.exe and data.dat, the package of the sample product.
# When the 64-bit Install.exe exists it is also started under wine64 beside
# a copy of data.dat, and a screenshot of it lands in out/screenshots/.
set -euo pipefail

cd "$(dirname "$0")/.."
REPO=$PWD
CODEPAGE=936          # names in the package are stored for Chinese Windows
TRIAL_SECONDS=${TRIAL_SECONDS:-10}

"$REPO/scripts/install-deps.sh"

for preset in native win64 win32; do
  echo "=== build: $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
done

# The product as it is installed: the static files and the 32-bit programs
# (the shipping setup program is 32-bit, so the product it carries is too).
echo "=== stage: out/stage"
rm -rf out/stage
mkdir -p out/stage
cp -a sample/files/. out/stage/
cp build/win32/sample/ombrel.exe build/win32/sample/uninstall.exe out/stage/

echo "=== pack: out/release/data.dat"
datpack=build/native/tools/datpack/datpack
rm -rf out/release
mkdir -p out/release
"$datpack" create out/stage -o out/release/data.dat --codepage "$CODEPAGE"
if [ ! -s out/release/data.dat ]; then
  echo "run: datpack create did not write out/release/data.dat" >&2
  exit 1
fi
"$datpack" verify out/release/data.dat --codepage "$CODEPAGE"
"$datpack" list out/release/data.dat --codepage "$CODEPAGE"

if [ -f build/win32/Install.exe ]; then
  cp build/win32/Install.exe out/release/
else
  echo "note: build/win32/Install.exe does not exist yet: the setup program itself comes in a later step;"
  echo "      out/release/ holds only data.dat for now."
fi

trial() {
  # shellcheck source=scripts/wine-env.sh
  source "$REPO/scripts/wine-env.sh"
  wine_env_start
  local prefix dir shot status
  prefix=$(wine_env_fresh_prefix)
  dir="$prefix/drive_c/setup-trial"
  mkdir -p "$dir"
  cp build/win64/Install.exe out/release/data.dat "$dir/"
  cd "$dir"
  wine_run "$prefix" 'C:\setup-trial\Install.exe' &
  local pid=$!
  sleep "$TRIAL_SECONDS"
  mkdir -p "$REPO/out/screenshots"
  shot="$REPO/out/screenshots/install-$(date +%Y%m%d-%H%M%S).png"
  wine_env_screenshot "$shot"
  echo "screenshot: ${shot#"$REPO/"}"
  if kill -0 "$pid" 2>/dev/null; then
    echo "Install.exe was still running after $TRIAL_SECONDS s (as expected for a window waiting for the user)"
  else
    status=0
    wait "$pid" || status=$?
    echo "Install.exe had already ended, exit status $status"
  fi
  wine_env_stop_prefix "$prefix"
}

if [ -f build/win64/Install.exe ]; then
  echo "=== trial: build/win64/Install.exe under wine64"
  # A subshell: the Wine environment ends with it.
  (trial)
else
  echo "note: no build/win64/Install.exe to try under Wine yet: the setup program itself comes in a later step."
fi

echo
echo "=== out/release/"
ls -l out/release/
