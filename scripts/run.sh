#!/usr/bin/env bash
# Builds everything and assembles the shipping folder out/release/: the
# 32-bit Install.exe and data.dat, the package of the sample product. Then
# the 64-bit Install.exe is tried under wine64: in a window when a display is
# available, otherwise on a virtual display where the wizard is walked
# automatically and a screenshot of every page lands in out/screenshots/.
set -euo pipefail

cd "$(dirname "$0")/.."
REPO=$PWD
CODEPAGE=936          # names in the package are stored for Chinese Windows

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

cp build/win32/Install.exe out/release/

# The trial runs the 64-bit build under wine64 (32-bit programs cannot run
# on this kernel), so it installs a package of the 64-bit sample programs:
# the same files, only the two programs differ.
echo "=== pack: out/trial/data.dat (64-bit sample programs, for the Wine trial)"
rm -rf out/trial
mkdir -p out/trial/stage
cp -a sample/files/. out/trial/stage/
cp build/win64/sample/ombrel.exe build/win64/sample/uninstall.exe out/trial/stage/
"$datpack" create out/trial/stage -o out/trial/data.dat --codepage "$CODEPAGE"

# On a display of its own the setup program waits for the user; on a
# virtual display the wizard is walked automatically with the default
# answers and every page is photographed.
trial() {
  local interactive=$1
  # shellcheck source=scripts/wine-env.sh
  source "$REPO/scripts/wine-env.sh"
  if [ "$interactive" = 1 ]; then
    WINE_ENV_USE_DISPLAY=1 wine_env_start
  else
    wine_env_start
  fi
  local prefix dir
  prefix=$(wine_env_fresh_prefix)
  dir="$prefix/drive_c/setup-trial"
  mkdir -p "$dir"
  cp build/win64/Install.exe out/trial/data.dat "$dir/"
  if [ "$interactive" = 1 ]; then
    echo "Install.exe is running on $DISPLAY; the run ends when it does."
    (cd "$dir" && wine_run "$prefix" 'C:\setup-trial\Install.exe') || true
  else
    cp build/win64/tests/gui/walk_wizard.exe "$dir/"
    local shots="$dir/screenshots"
    mkdir -p "$shots"
    local status=0
    (cd "$dir" && WINE_RUN_TIMEOUT=300 wine_run "$prefix" 'C:\setup-trial\walk_wizard.exe' 'C:\setup-trial\screenshots') ||
      status=$?
    rm -rf out/screenshots
    mkdir -p out/screenshots
    local bmp
    for bmp in "$shots"/*.bmp; do
      [ -f "$bmp" ] && convert "$bmp" "out/screenshots/$(basename "$bmp" .bmp).png"
    done
    echo "screenshots: $(find out/screenshots -name '*.png' | sort | tr '\n' ' ')"
    if [ $status -ne 0 ]; then
      echo "run: walking the wizard failed (exit status $status)" >&2
      wine_env_stop_prefix "$prefix"
      return 1
    fi
    echo "installed under C:\\Program Files\\Ombrel\\:"
    (cd "$prefix/drive_c/Program Files/Ombrel" && find . -type f | sort)
    echo "the product was started with: $(cat "$prefix/drive_c/Program Files/Ombrel/started.txt" 2>/dev/null)"
  fi
  wine_env_stop_prefix "$prefix"
}

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "=== trial: build/win64/Install.exe under wine64 on $DISPLAY"
  (trial 1)
else
  echo "=== trial: build/win64/Install.exe under wine64 on a virtual display, wizard walked automatically"
  (trial 0)
fi

echo
echo "=== out/release/ (the shipping folder)"
ls -l out/release/
