#!/usr/bin/env bash
# Screenshots of the real window on a virtual display (Xvfb), driven with xdotool as a user
# would: a pen stroke, the palette opened, a colour picked from it, a second stroke in that
# colour, then a rectangle dragged with the rectangle fill and the layer dragged with Move. One
# desktop screen (1280 x 800) and one phone screen (720 x 1440 at scale 2).
# Usage: scripts/screenshots.sh [OUTPUT_FOLDER]   (default build/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/screenshots}
program=build/release/platform/kanvo
mkdir -p "$out"
[ -x "$program" ] || { echo "screenshots: build $program first" >&2; exit 1; }

shoot() {  # NAME WIDTH HEIGHT SCALE
  local name=$1 width=$2 height=$3 scale=$4
  local display=:$((90 + RANDOM % 100)) runtime log
  runtime=$(mktemp -d) log=$(mktemp)
  Xvfb "$display" -screen 0 "${width}x${height}x24" -nolisten tcp >/dev/null 2>&1 &
  local xvfb=$!
  sleep 1
  DISPLAY=$display XDG_RUNTIME_DIR=$runtime QT_SCALE_FACTOR=$scale KANVO_TRACE=1 "$program" 2>"$log" &
  local kanvo=$!
  for _ in $(seq 100); do grep -q "ready:" "$log" && break; sleep 0.1; done
  # "ready: canvas area at X,Y size WxH logical, scale S": screen pixels are logical x scale.
  read -r ax ay < <(sed -n 's/.*canvas area at \([0-9]*\),\([0-9]*\).*/\1 \2/p' "$log")
  read -r cw ch < <(sed -n 's/.* size \([0-9]*\)x\([0-9]*\) logical.*/\1 \2/p' "$log")
  px() { echo $(((ax + $1) * scale)); }
  py() { echo $(((ay + $1) * scale)); }
  export DISPLAY=$display
  local bar=$((ch - 15))   # the bottom bar's middle, logical

  stroke() {  # X0 Y0 X1 Y1 (logical, relative to the canvas area)
    xdotool mousemove "$(px "$1")" "$(py "$2")" mousedown 1
    for i in $(seq 1 24); do
      xdotool mousemove "$(px $(($1 + ($3 - $1) * i / 24)))" "$(py $(($2 + ($4 - $2) * i / 24 + (i * (24 - i)) / 6)))"
      sleep 0.02
    done
    xdotool mouseup 1
  }
  local w3=$(((cw - 60) / 3)) h3=$(((ch - 30) / 3))
  stroke 20 "$h3" $((cw - 90)) $((h3 * 2))
  sleep 0.3
  import -window root "$out/$name-stroke.png"
  xdotool mousemove "$(px 15)" "$(py $bar)" click 1       # the palette button
  sleep 0.3
  xdotool mousemove "$(px 155)" "$(py 100)" click 1       # a hue in the strip
  xdotool mousemove "$(px 110)" "$(py 40)" click 1        # a bright shade of it
  sleep 0.2
  stroke $((177 + 20)) $((h3 * 2)) $((cw - 90)) "$h3"
  sleep 0.3
  import -window root "$out/$name-palette.png"
  xdotool mousemove "$(px $((cw - 45)))" "$(py 75)" click 1   # the tool panel's rectangle fill
  stroke $((177 + 20)) "$h3" $((177 + 20 + w3)) $((h3 * 2))
  sleep 0.3
  import -window root "$out/$name-rect.png"
  xdotool mousemove "$(px $((cw - 45)))" "$(py 45)" click 1   # Move: the whole layer dragged
  stroke $((177 + 40)) $((h3 * 2)) $((177 + 40 + w3)) $((h3 * 2 + 20))
  sleep 0.3
  import -window root "$out/$name-move.png"
  kill "$kanvo" "$xvfb" 2>/dev/null || true
  wait "$kanvo" "$xvfb" 2>/dev/null || true
  rm -rf "$runtime" "$log"
  echo "screenshots: $out/$name-stroke.png $out/$name-palette.png $out/$name-rect.png $out/$name-move.png"
}

shoot desktop 1280 800 1
shoot phone 720 1440 2
