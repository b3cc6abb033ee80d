# Sourced inside the private network namespace: an X server of this namespace's own (its
# abstract socket belongs to the namespace) and, in the Wine prefix of $WINEPREFIX, the font
# replacements the templates need: Wine knows no "宋体" or "MS Sans Serif".
#   wine_display_start DISPLAY_NUMBER   exports DISPLAY; wine_display_stop ends the server
wine_display_start() {
  Xvfb ":$1" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
  WINE_XVFB_PID=$!
  export DISPLAY=":$1"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  local reg
  reg=$(mktemp --suffix=.reg)
  # regedit reads UTF-16 files; the names are not ASCII.
  printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"宋体"="AR PL UMing CN"' '"SimSun"="AR PL UMing CN"' \
    '"MS Sans Serif"="DejaVu Sans Condensed"' |
    iconv -f UTF-8 -t UTF-16 >"$reg"
  wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1
  rm -f "$reg"
}
wine_display_stop() {
  [ -n "${WINE_XVFB_PID:-}" ] && kill "$WINE_XVFB_PID" 2>/dev/null
  wait "${WINE_XVFB_PID:-}" 2>/dev/null
  WINE_XVFB_PID=
}
