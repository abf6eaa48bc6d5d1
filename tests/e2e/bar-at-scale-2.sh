#!/usr/bin/env bash
# The real bar at twice the scale on a 1280 x 1024 virtual screen: it is placed where it can be
# seen (its places are measured in device-independent pixels), "Show Bar" works, and a launch
# button's caption is drawn at the screen's density, not doubled into 2 x 2 blocks.
#
# Usage: bar-at-scale-2.sh PATH-TO-TEVLO
# Exits 77 (skipped) only when Xvfb, xdotool or ImageMagick is missing.
set -uo pipefail

program=${1:?usage: $0 path-to-tevlo}
for tool in Xvfb xdotool import compare; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/tevlo-scale.XXXXXX")
xvfb_pid=
bar_pid=
cleanup() {
    [[ -z $bar_pid ]] || kill -KILL "$bar_pid" 2>/dev/null
    [[ -z $xvfb_pid ]] || kill -TERM "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
die() {
    echo "FAIL: $*"
    [[ -s $work/bar.log ]] && cat "$work/bar.log"
    exit 1
}
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.05
    done
}

cp "$program" "$work/tevlo" || die "cannot copy $program"
# "Right" and "Up": on this screen at scale 2 the design's fixed left of 673 would be 1346 pixels,
# past the right edge.
printf '%s\r\n' '[Config]' 'BackColor1=-2147483633' 'BackColor2=16777215' 'Font1=Liberation Sans' \
    'ColFont1=0' 'Pos1=0' 'Pos2=0' 'Resize=0' '[Config.Prog]' '1=/bin/true' '[Config.Caption]' \
    '1=Sharp Mg' >"$work/tevlo.ini"
printf '%s\r\n' ONE TWO THREE FOUR FIVE SIX SEVEN EIGHT NINE TEN >"$work/Items.txt"

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
display_known() { grep -qx '[0-9]\+' "$work/display" 2>/dev/null; }
wait_for 20 display_known || die "Xvfb did not start"
export DISPLAY=":$(tr -d '\n' <"$work/display")"
mkdir -m 700 "$work/runtime"
(
    cd / || exit 1
    exec env QT_SCALE_FACTOR=2 XDG_RUNTIME_DIR="$work/runtime" \
        "$work/tevlo" >"$work/bar.log" 2>&1
) &
bar_pid=$!

window=
find_window() { window=$(xdotool search --all --onlyvisible --pid "$bar_pid" --name '^Tevlo$' 2>/dev/null | head -n 1); [[ -n $window ]]; }
wait_for 20 find_window || die "no visible window titled Tevlo"
geometry=
geometry_is() {
    local X Y WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^(X|Y|WIDTH|HEIGHT)=[0-9]+$')"
    geometry="$X,$Y ${WIDTH}x$HEIGHT"
    [[ $geometry == "$1" ]]
}
# 640 device-independent pixels wide: "Right" is the bar's width (130) from the right edge, "Up" 10
# from the top.
wait_for 20 geometry_is "1020,20 260x112" || die "the bar is at $geometry, expected 1020,20 260x112"
# Show Bar. A click that comes while the new window is still settling may be lost, so it is
# clicked again until the bar opens.
show_bar() {
    xdotool mousemove $((1020 + 2 * 17)) $((20 + 2 * 23)) click 1
    wait_for 2 geometry_is "1020,20 260x606"
}
wait_for 20 show_bar || die "after Show Bar the bar is at $geometry"

# Button 1, at twice its place and size. A caption drawn at scale 1 and doubled would equal
# itself shrunk to half and doubled again, pixel for pixel.
sleep 0.5
import -window root -crop "176x42+$((1020 + 42))+$((20 + 130))" "$work/caption.png"
convert "$work/caption.png" -sample 50% -sample 200% "$work/doubled.png"
differing=$(compare -metric AE "$work/caption.png" "$work/doubled.png" null: 2>&1)
dark=$(convert "$work/caption.png" -threshold 50% -negate -format '%[fx:round(mean*w*h)]' info:)
((dark > 40)) || die "button 1 shows no caption ($dark dark pixels)"
((${differing%% *} > 40)) || die "the caption is doubled from scale 1: only $differing pixels differ"
echo "at scale 2 the bar is on the screen, opens, and draws its captions at full density"
