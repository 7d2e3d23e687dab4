# shellcheck shell=bash
# Sourced by the other scripts: a throw-away Wine environment for one run.
#
#   wine_env_start             temp root, Xvfb, one booted template prefix
#                              (WINE_ENV_USE_DISPLAY=1: the caller's DISPLAY
#                              instead of Xvfb)
#   wine_env_fresh_prefix      prints the path of a new copy of the template
#   wine_run PREFIX ARGS...    runs wine64 ARGS in PREFIX
#   wine_env_stop_prefix P     ends everything still running in prefix P
#   wine_env_screenshot FILE   PNG of the whole virtual display
#   wine_env_cleanup           kills wineservers and Xvfb, removes the root;
#                              set as the EXIT trap by wine_env_start
#
# Nothing outside the temp root is written: HOME and the XDG folders point
# inside it, the user folders of the prefix are real folders, and the Z:
# drive (the whole Unix file system) is removed.

WINE_BIN=/usr/lib/wine/wine64
WINESERVER_BIN=/usr/lib/wine/wineserver

# Wine derives the ANSI code page from the locale: zh_CN gives 936. Only the
# Wine processes get it, so the scripts' own tools keep their usual messages.
WINE_ENV_LOCALE=zh_CN.UTF-8

WINE_ENV_ROOT=""
WINE_ENV_TEMPLATE=""
WINE_ENV_XVFB_PID=""

wine_env_start() {
  if [ ! -x "$WINE_BIN" ]; then
    echo "wine-env: $WINE_BIN not found (run scripts/install-deps.sh)" >&2
    return 1
  fi
  WINE_ENV_ROOT=$(mktemp -d "${TMPDIR:-/tmp}/ombrel-wine.XXXXXX") || return 1
  trap wine_env_cleanup EXIT
  trap 'exit 130' INT TERM

  export HOME="$WINE_ENV_ROOT/home"
  export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
  export XDG_CACHE_HOME="$HOME/.cache" XDG_RUNTIME_DIR="$WINE_ENV_ROOT/run"
  # Debian's wineserver keeps its sockets in a folder made under TMPDIR.
  export TMPDIR="$WINE_ENV_ROOT/tmp"
  mkdir -p "$HOME" "$TMPDIR" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  export WINEDEBUG=-all
  export WINEARCH=win64
  export WINEDLLOVERRIDES="winemenubuilder.exe=d"
  if ! locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\?8'; then
    echo "wine-env: warning: zh_CN.UTF-8 locale missing, Wine will not use code page 936" >&2
  fi

  if [ "${WINE_ENV_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
    echo "wine-env: using the display $DISPLAY"
  else
    wine_env_start_xvfb || return 1
  fi
  wine_env_boot || return 1
}

wine_env_start_xvfb() {
  # -displayfd picks a free display number and writes it once the server is up.
  local fdfile="$WINE_ENV_ROOT/display" i
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp \
    3>"$fdfile" >"$WINE_ENV_ROOT/xvfb.log" 2>&1 &
  WINE_ENV_XVFB_PID=$!
  # Out of the job table, so that a caller's plain `wait` does not wait for it.
  disown "$WINE_ENV_XVFB_PID"
  for ((i = 0; i < 100; i++)); do
    if [ -s "$fdfile" ]; then
      DISPLAY=":$(head -n1 "$fdfile")"
      export DISPLAY
      return 0
    fi
    if ! kill -0 "$WINE_ENV_XVFB_PID" 2>/dev/null; then
      break
    fi
    sleep 0.1
  done
  echo "wine-env: Xvfb did not start:" >&2
  cat "$WINE_ENV_ROOT/xvfb.log" >&2
  return 1
}

# Creates and boots the template prefix that every run gets a copy of.
wine_env_boot() {
  local prefix="$WINE_ENV_ROOT/template" start=$SECONDS
  WINE_ENV_TEMPLATE="$prefix"
  # No Mono or Gecko here, and their download prompts would block the boot.
  if ! (cd "$WINE_ENV_ROOT" &&
    WINEPREFIX="$prefix" WINEDLLOVERRIDES="$WINEDLLOVERRIDES;mscoree,mshtml=" \
      LC_ALL=$WINE_ENV_LOCALE timeout 300 "$WINE_BIN" wineboot -i >"$WINE_ENV_ROOT/boot.log" 2>&1 &&
    WINEPREFIX="$prefix" timeout 120 "$WINESERVER_BIN" -w); then
    echo "wine-env: booting the prefix failed:" >&2
    cat "$WINE_ENV_ROOT/boot.log" >&2
    return 1
  fi

  # Wine links the user folders (Desktop, Documents, ...) to the home folder.
  local link
  while IFS= read -r -d '' link; do
    rm -f "$link" && mkdir -p "$link"
  done < <(find "$prefix/drive_c/users" -mindepth 2 -maxdepth 3 -type l -print0)
  rm -f "$prefix/dosdevices/z:"

  # A virtual desktop: Wine then draws the window frames and captions
  # itself, so screenshots show windows as a user sees them (Xvfb runs no
  # window manager).
  if ! (cd "$WINE_ENV_ROOT" &&
    WINEPREFIX="$prefix" "$WINE_BIN" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f &&
    WINEPREFIX="$prefix" "$WINE_BIN" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x800 /f &&
    WINEPREFIX="$prefix" timeout 120 "$WINESERVER_BIN" -w) >>"$WINE_ENV_ROOT/boot.log" 2>&1; then
    echo "wine-env: setting up the virtual desktop failed:" >&2
    cat "$WINE_ENV_ROOT/boot.log" >&2
    return 1
  fi
  echo "wine-env: prefix booted in $((SECONDS - start)) s (DISPLAY=$DISPLAY)"
}

wine_env_fresh_prefix() {
  local prefix
  prefix=$(mktemp -d "$WINE_ENV_ROOT/prefix.XXXX") || return 1
  rmdir "$prefix" && cp -a "$WINE_ENV_TEMPLATE" "$prefix" || return 1
  echo "$prefix"
}

# wine_run PREFIX PROGRAM ARGS...: runs in the current directory, for at
# most WINE_RUN_TIMEOUT seconds when that is set.
wine_run() {
  local prefix=$1
  shift
  WINEPREFIX="$prefix" LC_ALL=$WINE_ENV_LOCALE \
    ${WINE_RUN_TIMEOUT:+timeout "$WINE_RUN_TIMEOUT"} "$WINE_BIN" "$@"
}

# Process ids of everything Wine started for prefix $1, or for any prefix
# under folder $1: they all carry WINEPREFIX in their environment, the
# wineserver included.
wine_env_pids() {
  local env pid
  for env in /proc/[0-9]*/environ; do
    pid=${env#/proc/}
    pid=${pid%/environ}
    if tr '\0' '\n' 2>/dev/null <"$env" |
      awk -v p="WINEPREFIX=$1" '$0 == p || index($0, p "/") == 1 { found = 1 } END { exit !found }'; then
      echo "$pid"
    fi
  done
}

# Waits up to 10 s for the processes of wine_env_pids $1 to end, then kills them.
wine_env_wait_gone() {
  local i pids
  for ((i = 0; i < 100; i++)); do
    pids=$(wine_env_pids "$1")
    [ -z "$pids" ] && return 0
    sleep 0.1
  done
  echo "wine-env: killing what is left in $1: $pids" >&2
  # shellcheck disable=SC2086 # one id per word
  kill -9 $pids 2>/dev/null || true
}

# Ends all programs in prefix $1 and waits for its wineserver to exit, so the
# prefix can be copied or removed.
wine_env_stop_prefix() {
  WINEPREFIX="$1" "$WINESERVER_BIN" -k >/dev/null 2>&1 || true
  wine_env_wait_gone "$1"
}

wine_env_screenshot() {
  mkdir -p "$(dirname "$1")"
  import -display "$DISPLAY" -window root "$1"
}

wine_env_cleanup() {
  local prefix i
  if [ -n "$WINE_ENV_ROOT" ]; then
    # Every prefix made under the root, also those made in a subshell.
    for prefix in "$WINE_ENV_ROOT"/template "$WINE_ENV_ROOT"/prefix.*; do
      if [ -d "$prefix" ]; then
        WINEPREFIX="$prefix" "$WINESERVER_BIN" -k >/dev/null 2>&1 || true
      fi
    done
    wine_env_wait_gone "$WINE_ENV_ROOT"
  fi
  if [ -n "$WINE_ENV_XVFB_PID" ]; then
    kill "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    for ((i = 0; i < 50; i++)); do
      kill -0 "$WINE_ENV_XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    WINE_ENV_XVFB_PID=""
  fi
  if [ -n "$WINE_ENV_ROOT" ]; then
    rm -rf "$WINE_ENV_ROOT"
    WINE_ENV_ROOT=""
  fi
}
