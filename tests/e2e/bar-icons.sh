#!/usr/bin/env bash
# The launch buttons' icons on a virtual display, from a made-up icon theme and desktop entries in
# data folders of the test's own: an entry's Icon, a program's theme icon by its file's name, the
# Icon of an installed application that starts the same program, our own picture when nothing
# names one, grey icons for what cannot be started; each icon 16 x 16 at scale 1 and drawn from
# the 32 pixel size at scale 2.
#
# Usage: bar-icons.sh PATH-TO-TEVLO
# Exits 77 (skipped) only when Xvfb, xdotool or ImageMagick is missing.
set -uo pipefail

program=${1:?usage: $0 path-to-tevlo}
for tool in Xvfb xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/tevlo-icons.XXXXXX")
work=$(cd "$work" && pwd -P)
xvfb_pid=
bar_pid=
cleanup() {
    [[ -z $bar_pid ]] || kill -KILL "$bar_pid" 2>/dev/null
    [[ -z $xvfb_pid ]] || kill -TERM "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
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

# --- The theme: one colour a size, so a pixel tells which icon and which size was drawn.
theme=$work/data/icons/hicolor
printf '%s\n' '[Icon Theme]' 'Name=Hicolor' 'Directories=16x16/apps,32x32/apps' '' \
    '[16x16/apps]' 'Size=16' 'Type=Fixed' '' '[32x32/apps]' 'Size=32' 'Type=Fixed' >"$work/index.theme"
mkdir -p "$theme/16x16/apps" "$theme/32x32/apps"
mv "$work/index.theme" "$theme/index.theme"
icon() { # name colour-at-16 colour-at-32
    convert -size 16x16 "xc:$2" "$theme/16x16/apps/$1.png" &&
        convert -size 32x32 "xc:$3" "$theme/32x32/apps/$1.png"
}
icon tevlo-entry-icon '#FF0000' '#800000'
icon tevlo-prog '#00FF00' '#008000'
icon tevlo-exec-icon '#0000FF' '#000080'

mkdir -p "$work/bin" "$work/data/applications" "$work/home"
for name in tevlo-prog tevlo-exec-target; do
    printf '#!/bin/sh\n' >"$work/bin/$name" && chmod +x "$work/bin/$name"
done
# An installed application that starts tevlo-exec-target, by its name on PATH.
printf '%s\n' '[Desktop Entry]' 'Type=Application' 'Name=Exec Target' 'Exec=tevlo-exec-target %U' \
    'Icon=tevlo-exec-icon' >"$work/data/applications/tevlo-exec.desktop"
entry() { # file icon
    printf '%s\n' '[Desktop Entry]' 'Type=Application' 'Name=Thing' 'Exec=/bin/true' "Icon=$2" >"$1"
    chmod 755 "$1"
}
entry "$work/entry.desktop" tevlo-entry-icon
entry "$work/unknown.desktop" tevlo-no-such-icon

cp "$program" "$work/tevlo" || die "cannot copy $program"
printf '%s\r\n' '[Config]' 'BackColor2=16777215' 'Font1=Liberation Sans' 'ColFont1=0' 'Pos1=1' \
    'Pos2=0' 'Resize=0' '[Config.Prog]' "1=$work/entry.desktop" "2=$work/bin/tevlo-prog" \
    "3=$work/bin/tevlo-exec-target" "4=$work/unknown.desktop" '5=/no/such/tevlo-gone' \
    '[Config.Caption]' '1=Entry' '2=Prog' '3=Exec' '4=Own' '5=Gone' >"$work/tevlo.ini"
printf '%s\r\n' ONE TWO THREE FOUR FIVE SIX SEVEN EIGHT NINE TEN >"$work/Items.txt"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
display_known() { grep -qx '[0-9]\+' "$work/display" 2>/dev/null; }
wait_for 20 display_known || die "Xvfb did not start"
export DISPLAY=":$(tr -d '\n' <"$work/display")"
mkdir -m 700 "$work/runtime"

scale=1
window=
start_bar() { # scale
    scale=$1
    (
        cd / || exit 1
        exec env QT_SCALE_FACTOR="$scale" XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home" \
            XDG_DATA_HOME="$work/home/data" XDG_DATA_DIRS="$work/data" \
            PATH="$work/bin:$PATH" "$work/tevlo" >"$work/bar.log" 2>&1
    ) &
    bar_pid=$!
    find_window() { window=$(xdotool search --all --onlyvisible --pid "$bar_pid" --name '^Tevlo$' 2>/dev/null | head -n 1); [[ -n $window ]]; }
    wait_for 20 find_window || die "no visible window titled Tevlo at scale $scale"
    # Left and up: the bar at 10,10 in device-independent pixels. Show Bar, clicked again when a
    # click came before the new window had settled.
    opened() {
        xdotool mousemove $((scale * (10 + 17))) $((scale * (10 + 23))) click 1
        local HEIGHT
        eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^HEIGHT=[0-9]+$')"
        wait_for 2 test "${HEIGHT:-0}" -eq $((scale * 303))
    }
    wait_for 20 opened || die "Show Bar did not open the bar at scale $scale"
    sleep 0.5
}
stop_bar() {
    kill -TERM "$bar_pid"
    wait "$bar_pid"
    bar_pid=
}
# The middle of button k's icon, in the screen's pixels: 4 from the button's left, centred.
shot=
take_shot() { import -window root "$work/shot.png" && shot=$work/shot.png; }
pixel() { # k dx dy: the colour at that offset (device-independent) from the icon's middle
    local x=$((scale * (10 + 21 + 4 + 8 + $2))) y=$((scale * (10 + 65 + 21 * ($1 - 1) + 10 + $3)))
    convert "$shot" -format "%[hex:p{$x,$y}]" info: | cut -c1-6
}
expect_icon() { # k colour what
    local got
    got=$(pixel "$1" 0 0)
    [[ $got == "$2" ]] || fail "scale $scale, button $1 ($3): the icon's middle is #$got, expected #$2"
}
# A grey icon: every sample grey, and a drawing (our own) shows more than one grey.
samples() { local d; for d in -6 -3 0 3 6; do pixel "$1" "$d" "$d"; pixel "$1" "$d" $((-d)); pixel "$1" "$d" -4; done; }
is_grey() { [[ ${1:0:2} == "${1:2:2}" && ${1:2:2} == "${1:4:2}" ]]; }

start_bar 1
take_shot
expect_icon 1 FF0000 "a desktop entry's Icon"
expect_icon 2 00FF00 "the program's file name in the theme"
expect_icon 3 0000FF "the Icon of the installed application that starts it"
own=$(samples 4 | sort -u)
grep -qx 3465A4 <<<"$own" || fail "button 4 (nothing names an icon) does not show our own picture: $(tr '\n' ' ' <<<"$own")"
gone=$(samples 5 | sort -u)
for colour in $gone; do is_grey "$colour" || fail "button 5 (a missing program) has an icon pixel #$colour, not grey"; done
(($(wc -l <<<"$gone") > 1)) || fail "button 5 (a missing program) shows no icon: $gone"
# Looking icons up reads entries with GLib alone, and PNG is Qt's own: no GIO, no image plugin.
grep -q '/libgio-2' "/proc/$bar_pid/maps" && fail "showing icons loaded GIO"
grep -q "/imageformats/" "/proc/$bar_pid/maps" && fail "showing icons loaded an image plugin: $(grep -o "imageformats/[^ ]*" "/proc/$bar_pid/maps" | sort -u | tr "\n" " ")"
stop_bar

start_bar 2
take_shot
expect_icon 1 800000 "a desktop entry's Icon, its 32 pixel size"
expect_icon 2 008000 "the program's theme icon, its 32 pixel size"
expect_icon 3 000080 "the installed application's icon, its 32 pixel size"
# Our own picture has its own drawing at twice the size: still its blue, never doubled blocks.
grep -qx 3465A4 <<<"$(samples 4 | sort -u)" || fail "scale 2, button 4 does not show our own picture"
stop_bar

if ((failures > 0)); then
    cat "$work/bar.log"
    exit 1
fi
echo "icons drawn from entries, the theme, installed applications and our own picture, grey when missing, at scale 1 and 2"
