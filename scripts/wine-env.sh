# Sourced by the scripts: a Wine prefix of our own inside the build tree, quiet
# and without the Mono/Gecko installers or menu entries.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Creates the prefix once (about 6 s) and starts the server with its output
# out of our pipes.
wine_up() {
  mkdir -p "$WINEPREFIX"
  wineserver -p </dev/null >/dev/null 2>&1 || true
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wine wineboot -i </dev/null >/dev/null 2>&1
  else
    wine wineboot </dev/null >/dev/null 2>&1
  fi
}

wine_down() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}
