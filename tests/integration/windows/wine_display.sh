# Sourced inside the private network namespace: an X server of this namespace's own (its
# abstract socket belongs to the namespace) and, in the Wine prefix of $WINEPREFIX, the font
# replacements the templates need: Wine knows no "宋体" or "MS Sans Serif".
#   wine_display_start   starts the server and exports DISPLAY: before wineboot, since the
#                        prefix's desktop process picks its display driver once, at start
#   wine_fonts           the font replacements, and fonts-wine's Tahoma and Marlett in the
#                        prefix's Fonts folder (caption buttons, the installer's pages), once
#                        the prefix exists
#   wine_display_stop    ends the server
# The server picks a free display number itself: a fixed one could name the file socket of a
# server left over elsewhere, which clients reach from any network namespace.
wine_display_start() {
  local numfile
  numfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
  WINE_XVFB_PID=$!
  for _ in $(seq 100); do [ -s "$numfile" ] && break; sleep 0.05; done
  export DISPLAY=":$(tr -d '\n' <"$numfile")"
  rm -f "$numfile"
}
wine_fonts() {
  local reg font fonts
  # The system font and the symbols of the caption buttons, as a Windows user has them.
  fonts="$(winepath -u 'C:\windows\Fonts' 2>/dev/null)"
  mkdir -p "$fonts"
  for font in tahoma.ttf tahomabd.ttf marlett.ttf; do
    if [ -f "/usr/share/wine/fonts/$font" ]; then
      cp "/usr/share/wine/fonts/$font" "$fonts/"
    else
      echo "wine_fonts: /usr/share/wine/fonts/$font missing (Debian package fonts-wine)" >&2
    fi
  done
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
