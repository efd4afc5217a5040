# Sourced by the scripts: a Wine prefix of our own inside the build tree, quiet
# and without the Mono/Gecko installers or menu entries.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Creates the prefix once (about 6 s), applies our settings to it, and starts
# the server with its output out of our pipes. Setting up leaves Wine's desktop
# process running without a display (and so without a graphics driver); the
# server is therefore restarted, so that the first program that opens a window
# starts the desktop afresh on the display it is given.
wine_up() {
  mkdir -p "$WINEPREFIX"
  wineserver -p </dev/null >/dev/null 2>&1 || true
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wine wineboot -i </dev/null >/dev/null 2>&1
  else
    wine wineboot </dev/null >/dev/null 2>&1
  fi
  wine_settings
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  wineserver -p </dev/null >/dev/null 2>&1 || true
}

wine_down() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

# Gives Wine a sound card without hardware: ALSA's default device plays into a
# raw file and records from one, both over the null plugin (not real time).
# Call before wine_up, which applies it.
wine_null_audio() {
  local dir="$root/build/wine-audio"
  mkdir -p "$dir"
  [ -f "$dir/in.raw" ] || head -c 5760000 /dev/zero >"$dir/in.raw"  # 3 minutes, 8 kHz stereo
  cat >"$dir/asound.conf" <<CONF
pcm.!default {
    type asym
    playback.pcm { type file  slave.pcm { type null }  file "$dir/out.raw"  format "raw" }
    capture.pcm {
        type plug
        slave {
            pcm { type file  slave.pcm { type null }  file "/dev/null"  infile "$dir/in.raw"  format "raw" }
            channels 2
        }
    }
}
CONF
  export ALSA_CONFIG_PATH="$dir/asound.conf"
  WINE_AUDIO_DRIVER=alsa
}

# Settings of the prefix: windows not managed by a (missing) window manager,
# which spares a wait of about 2 s each time a window with a caption is hidden;
# and the audio driver chosen by wine_null_audio, if any.
wine_settings() {
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
  [ -n "${WINE_AUDIO_DRIVER:-}" ] || return 0
  wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "$WINE_AUDIO_DRIVER" /f </dev/null >/dev/null 2>&1
}
