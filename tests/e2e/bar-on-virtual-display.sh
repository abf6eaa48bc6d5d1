#!/usr/bin/env bash
# The real bar on a virtual X display: its places, collapsing and expanding, switching sections,
# starting programs in their own folders (paths, names on PATH, quoted paths with blanks, a
# desktop entry, a script without "#!"), keys, drops from another program, the titles of its
# windows, a hyperlink dragged off while pressed, and the settings it writes when it is told to end.
#
# Usage: bar-on-virtual-display.sh PATH-TO-TEVLO PATH-TO-TEVLO-DRAG-SOURCE
# Exits 77 (skipped) only when Xvfb, xdotool, xprop or ImageMagick is missing.
set -uo pipefail

program=${1:?usage: $0 path-to-tevlo path-to-tevlo-drag-source}
drag_source=${2:?usage: $0 path-to-tevlo path-to-tevlo-drag-source}
for tool in Xvfb xdotool xprop import convert; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tevlo-e2e.XXXXXX")
work=$(cd "$work" && pwd -P)
xvfb_pid=
bar_pid=

cleanup() {
    [[ -n ${source_pid-} ]] && kill -KILL "$source_pid" 2>/dev/null
    if [[ -n $bar_pid ]]; then
        kill -KILL "$bar_pid" 2>/dev/null
        wait "$bar_pid" 2>/dev/null
    fi
    if [[ -n $xvfb_pid ]]; then
        kill -TERM "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
die() {
    echo "FAIL: $*"
    if [[ -s $work/bar.log ]]; then
        echo "--- the bar's output:"
        cat "$work/bar.log"
    fi
    exit 1
}

# Polls a command until it succeeds or the seconds run out. The sanitizer build starts and
# draws several times slower, so every wait is generous; none of them is ever waited out on
# a passing run.
wait_for() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.05
    done
}

# --- A folder of its own: the program, its two files, and programs that record the folder they
# were started in and their arguments, one "[argument]" a line, in $work/<tag>.out.
cp "$program" "$work/tevlo" || die "cannot copy $program"
make_recorder() { # path tag [first line, "#!/bin/sh" when not given]
    local path=$1 tag=$2 first_line=${3-'#!/bin/sh'}
    mkdir -p "$(dirname "$path")"
    {
        [[ -n $first_line ]] && echo "$first_line"
        echo "{ pwd -P; for a in \"\$@\"; do printf '[%s]\\n' \"\$a\"; done; } >'$work/$tag.out.tmp' &&" \
            "mv '$work/$tag.out.tmp' '$work/$tag.out'"
    } >"$path"
    chmod +x "$path"
}
make_recorder "$work/first/record" first
make_recorder "$work/second/record" second
make_recorder "$work/args/record" args
make_recorder "$work/onpath/tevlo-e2e-bare" bare
make_recorder "$work/My Tools/record" tools
make_recorder "$work/entry/record" entry
make_recorder "$work/plain/run" plain ''
make_recorder "$work/dropped/record" dropped
mkdir -p "$work/entry-work"
printf '%s\n' '[Desktop Entry]' 'Type=Application' 'Name=Thing' \
    "Exec=$work/entry/record --name %c %k %f" "Path=$work/entry-work" >"$work/entry/thing.desktop"
# One of the user's own launchers, marked as a program: started without a question.
chmod 755 "$work/entry/thing.desktop"
# Items 1 to 6 are the first section's buttons 1 to 6, item 11 is button 1 of the second: an
# argument holding "/", a bare name found on PATH, a quoted program with blanks, a desktop entry
# with field codes and Path, a script without "#!".
printf '%s\r\n' \
    '[Config]' \
    'BackColor1=255' \
    'BackColor2=-2147483633' \
    'Font1=Liberation Sans' \
    'ColFont1=32768' \
    'Pos1=1' \
    'Pos2=1' \
    'Resize=0' \
    '[Config.Prog]' \
    "1=$work/first/record" \
    "2=$work/args/record --file=/etc/hosts a/b" \
    '3=tevlo-e2e-bare "two words" x/y' \
    "4=\"$work/My Tools/record\" --fast \"a b\"" \
    "5=$work/entry/thing.desktop" \
    "6=$work/plain/run one/two" \
    '7=tevlo-e2e-missing --x' \
    "11=$work/second/record" \
    '[Config.Caption]' \
    '1=First' \
    '11=Second' >"$work/tevlo.ini"
printf '%s\r\n' ONE TWO THREE FOUR FIVE SIX SEVEN EIGHT NINE TEN >"$work/Items.txt"

# --- The command line: --help and --version answer and end, without a display.
help_text=$(env -u DISPLAY "$work/tevlo" --help 2>&1) || fail "tevlo --help ended with $?"
[[ $help_text == "Usage: tevlo [--help] [--version]"* ]] || fail "tevlo --help printed: $help_text"
version_text=$(env -u DISPLAY "$work/tevlo" --version 2>&1) || fail "tevlo --version ended with $?"
[[ $version_text =~ ^tevlo\ [0-9]+\.[0-9]+ ]] || fail "tevlo --version printed: $version_text"

# Without any X server: one clear message and status 1, not a window in the wrong place.
no_x=$(env -u DISPLAY WAYLAND_DISPLAY=tevlo-e2e-none QT_QPA_PLATFORM=wayland "$work/tevlo" 2>&1)
no_x_status=$?
((no_x_status == 1)) && [[ $no_x == *"needs an X display"* ]] ||
    fail "without an X server the bar ended with $no_x_status and said: $no_x"

# --- A virtual display on a number nobody uses: the server picks it and tells us.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display_known() { grep -qx '[0-9]\+' "$work/display" 2>/dev/null; }
wait_for 20 display_known || die "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(tr -d '\n' <"$work/display")"

# --- The bar.
mkdir -m 700 "$work/runtime"
(
    cd / || exit 1
    # As in a Wayland session with XWayland: the bar must choose X by itself.
    exec env QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=tevlo-e2e-none \
        XDG_RUNTIME_DIR="$work/runtime" PATH="$work/onpath:$PATH" \
        "$work/tevlo" -reverse -qwindowtitle Other --unknown >"$work/bar.log" 2>&1
) &
# Every other argument, the toolkit's own included, is ignored: no mirrored bar, no other title.
bar_pid=$!

# Our own child stays a zombie until it is waited for, so "kill -0" cannot tell it has ended.
running() {
    local state
    state=$(awk '{ print $3 }' "/proc/$bar_pid/stat" 2>/dev/null) || return 1
    [[ -n $state && $state != Z ]]
}

window=
find_window() {
    running || die "the bar ended before showing its window"
    window=$(xdotool search --all --onlyvisible --pid "$bar_pid" --name '^Tevlo$' 2>/dev/null | head -n 1)
    [[ -n $window ]]
}
wait_for 20 find_window || die "no visible window titled Tevlo"
# xdotool matches names without regard to case; the title itself must be exact.
title=$(xdotool getwindowname "$window")
[[ $title == Tevlo ]] || fail "the window is titled '$title', expected 'Tevlo'"

geometry=
read_geometry() {
    local X Y WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$window" 2>/dev/null | grep -E '^(X|Y|WIDTH|HEIGHT)=[0-9]+$')"
    geometry="${X:-?},${Y:-?} ${WIDTH:-?}x${HEIGHT:-?}"
}
geometry_is() {
    read_geometry
    [[ $geometry == "$1" ]]
}
expect_geometry() {
    local wanted=$1 what=$2
    wait_for 10 geometry_is "$wanted" || die "$what: the window is at $geometry, expected $wanted"
}

# "Down" on this 1024 x 768 screen: as far from the bottom as on the 800 x 600 screen the places
# were made for (500 collapsed, 268 open there).
down_collapsed=$((768 - 100))
down=$((768 - 332))

# Clicks a point given in the window's own coordinates, at the place the window must be.
left=10
click() {
    local top=$1 x=$2 y=$3
    # Not "mousemove --sync": it waits for the pointer to move, which one already in place after
    # a drag never does, for seconds. This waits only until the pointer is where it should be.
    pointer_at() { [[ $(xdotool getmouselocation --shell | grep -E '^(X|Y)=' | tr '\n' ' ') == "X=$1 Y=$2 " ]]; }
    xdotool mousemove $((left + x)) $((top + y))
    wait_for 5 pointer_at $((left + x)) $((top + y)) || fail "the pointer did not reach $((left + x)),$((top + y))"
    xdotool click 1
}

expect_geometry "10,$down_collapsed 130x56" "at start (left, down, collapsed)"
[[ $(xprop -id "$window" _NET_WM_DESKTOP 2>/dev/null) == *"= 4294967295" ]] ||
    fail "the bar is not on every workspace: $(xprop -id "$window" _NET_WM_DESKTOP 2>&1)"
# The program's own pictures are read by their named readers; no image plugin is loaded for them.
if grep -q '/imageformats/' "/proc/$bar_pid/maps"; then
    fail "image plugins loaded at start: $(grep -o '[^/]*imageformats/[^ ]*' "/proc/$bar_pid/maps" | sort -u | tr '\n' ' ')"
fi
# Item 5, a desktop entry, is read to see that its program is there; GIO waits for a start.
grep -q '/libgio-2' "/proc/$bar_pid/maps" && fail "GIO was loaded at start, before any desktop entry was started"

click $down_collapsed 17 23 # Show Bar
expect_geometry "10,$down 130x303" "after Show Bar"

click $down 17 11 # Hide Bar
expect_geometry "10,$down_collapsed 130x56" "after Hide Bar"

click $down_collapsed 17 23 # Show Bar
expect_geometry "10,$down 130x303" "after Show Bar again"

first_recorded() { [[ -s $work/first.out ]]; }
second_recorded() { [[ -s $work/second.out ]]; }

click $down 65 75 # button 1 of the first section: item 1
wait_for 20 first_recorded || die "item 1 was not started"
[[ $(cat "$work/first.out") == "$work/first" ]] ||
    fail "item 1 ran in '$(cat "$work/first.out")', expected its own folder $work/first"
[[ -e $work/second.out ]] && fail "item 11 ran although only item 1 was clicked"

# Buttons 2 to 6: each must start in its program's own folder with exactly its arguments.
expect_start() { # button tag expected-lines...
    local button=$1 tag=$2
    shift 2
    local wanted
    wanted=$(printf '%s\n' "$@")
    click $down 65 $((75 + 21 * (button - 1)))
    recorded() { [[ -s $work/$tag.out ]]; }
    wait_for 20 recorded || {
        fail "button $button ($tag) started nothing"
        return
    }
    [[ $(cat "$work/$tag.out") == "$wanted" ]] ||
        fail "button $button ($tag) recorded '$(cat "$work/$tag.out")', expected '$wanted'"
}
expect_start 2 args "$work/args" '[--file=/etc/hosts]' '[a/b]'
expect_start 3 bare "$work/onpath" '[two words]' '[x/y]'
expect_start 4 tools "$work/My Tools" '[--fast]' '[a b]'
expect_start 5 entry "$work/entry-work" '[--name]' '[Thing]' "[$work/entry/thing.desktop]"
expect_start 6 plain "$work/plain" '[one/two]'

# --- Keys, with the bar the active window: a digit starts its button's item as a click does,
# Page Down and Page Up step the sections, Escape collapses the bar.
xdotool windowfocus --sync "$window"
rm -f "$work/plain.out"
plain_recorded() { [[ -s $work/plain.out ]]; }
xdotool key 6
wait_for 20 plain_recorded || fail "key 6 did not start button 6's item"
xdotool key Next 1
wait_for 20 second_recorded || fail "Page Down and key 1 did not start item 11"
rm -f "$work/second.out"
xdotool key Prior Escape
expect_geometry "10,$down_collapsed 130x56" "after Escape"
click $down_collapsed 17 23 # Show Bar
expect_geometry "10,$down 130x303" "after Show Bar once more"

# --- Drops from another program, through the X drag-and-drop protocol with real pointer moves:
# a program file dropped on button 8 becomes item 8, saved at once and started by a click; a
# folder dropped on button 9 is refused in a message box and changes nothing.
source_pid=
drag_onto() { # what button: drags from a program of its own, which stays until end_drag
    local what=$1 button=$2
    "$drag_source" "$what" 600 300 >"$work/drag.log" 2>&1 &
    source_pid=$!
    source_shown() { xdotool search --all --onlyvisible --pid "$source_pid" --name '^Drag Source$' >/dev/null 2>&1; }
    wait_for 20 source_shown || die "the drag source showed no window: $(cat "$work/drag.log")"
    xdotool mousemove --sync 640 320 mousedown 1
    local x
    for x in 560 400 240 $((left + 65)); do
        xdotool mousemove --sync "$x" $((down + 75 + 21 * (button - 1)))
        sleep 0.1
    done
    xdotool mouseup 1
    drag_ended() { grep -qx 'taken\|refused' "$work/drag.log"; }
    wait_for 20 drag_ended || fail "the drag onto button $button did not end: $(cat "$work/drag.log")"
}
end_drag() {
    kill "$source_pid" 2>/dev/null
    wait "$source_pid" 2>/dev/null
    source_pid=
}
drag_onto "$work/dropped/record" 8
dropped_saved() {
    tr -d '\r' <"$work/tevlo.ini" | grep -qx "8=$work/dropped/record" &&
        tr -d '\r' <"$work/tevlo.ini" | grep -qx '8=record'
}
wait_for 20 dropped_saved || fail "the file dropped on button 8 was not saved as item 8 ($(cat "$work/drag.log"))"
end_drag
dropped_recorded() { [[ -s $work/dropped.out ]]; }
click $down 65 $((75 + 21 * 7)) # button 8
wait_for 20 dropped_recorded || fail "button 8 did not start the program dropped on it"
saved_before_drop=$(md5sum <"$work/tevlo.ini")
drag_onto "$work/first" 9
refusal=
find_refusal() { refusal=$(xdotool search --all --onlyvisible --pid "$bar_pid" --name '^Tevlo$' 2>/dev/null | grep -vx "$window" | head -n 1); [[ -n $refusal ]]; }
if wait_for 20 find_refusal; then
    xdotool windowfocus --sync "$refusal" key Return
    refusal_gone() { [[ -z $(xdotool search --all --onlyvisible --pid "$bar_pid" --name '^Tevlo$' 2>/dev/null | grep -vx "$window") ]]; }
    wait_for 20 refusal_gone || fail "Enter did not close the refused drop's message box"
else
    fail "a folder dropped on button 9 showed no message box"
fi
end_drag
[[ $(md5sum <"$work/tevlo.ini") == "$saved_before_drop" ]] || fail "a refused drop changed tevlo.ini"

# --- Titles are the program's own texts, as the window manager reads them.
net_name() { xprop -id "$1" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME([A-Z0-9_]*) = "\(.*\)"$/\1/p'; }
[[ $(net_name "$window") == Tevlo ]] || fail "the bar's _NET_WM_NAME is '$(net_name "$window")'"
other_window() { # name pattern: a visible window of the bar's other than the bar itself
    xdotool search --all --onlyvisible --pid "$bar_pid" --name "$1" 2>/dev/null | grep -vx "$window" | head -n 1
}
about=
find_about() { about=$(other_window '^About'); [[ -n $about ]]; }
click $down 65 17 # About...
wait_for 20 find_about || die "About... showed no window titled About"
[[ $(net_name "$about") == About ]] || fail "the About box's _NET_WM_NAME is '$(net_name "$about")', expected 'About'"
eval "$(xdotool getwindowgeometry --shell "$about" | grep -E '^(X|Y)=[0-9]+$' | sed 's/^/about_/')"
# The home-page link, pressed and dragged off with the button held, shows its previous colour;
# back over it, the activated colour; released outside, it opens nothing and stays unvisited.
# Pointer moves are real ones, with the pointer grabbed by the label as on any X display.
colour_count() { # colour: pixels of about that colour in the link's place
    import -window root -crop "213x16+$((about_X + 48))+$((about_Y + 176))" "$work/link.png"
    convert "$work/link.png" -fuzz 25% -fill black +opaque "$1" -fill white -opaque "$1" \
        -format '%[fx:round(mean*w*h)]' info:
}
link_is() { # colour: the link is drawn in it and not in red, or in red when the colour is red
    local red
    red=$(colour_count red)
    if [[ $1 == red ]]; then ((red > 20)); else ((red == 0 && $(colour_count "$1") > 20)); fi
}
link_x=$((about_X + 60))
xdotool mousemove --sync $link_x $((about_Y + 184)) mousedown 1
wait_for 10 link_is red || fail "a pressed link is not red"
xdotool mousemove --sync $link_x $((about_Y + 235))
wait_for 10 link_is blue || fail "a link dragged off while pressed stays red"
xdotool mousemove --sync $link_x $((about_Y + 184))
wait_for 10 link_is red || fail "back over the link with the button held, it is not red again"
xdotool mousemove --sync $link_x $((about_Y + 235)) mouseup 1
wait_for 10 link_is blue || fail "released outside, the link is not its unvisited blue"

xdotool mousemove --sync $((about_X + 149)) $((about_Y + 255)) click 1 # OK
about_gone() { [[ -z $(other_window '^About') ]]; }
wait_for 20 about_gone || fail "OK did not close the About box"

# A program that cannot be found: a message box titled as the application, naming the program.
box=
find_box() { box=$(other_window '^Tevlo$'); [[ -n $box ]]; }
click $down 65 201 # button 7
wait_for 20 find_box || die "starting a missing program showed no message box"
[[ $(net_name "$box") == Tevlo ]] || fail "the message box's _NET_WM_NAME is '$(net_name "$box")', expected 'Tevlo'"
xdotool windowfocus --sync "$box" key Return
box_gone() { [[ -z $(other_window '^Tevlo$') ]]; }
wait_for 20 box_gone || fail "Enter did not close the message box"

click $down 80 287 # Next Section
# The bar handles its input in order, so this click already meets the second section.
click $down 65 75 # button 1 again: now item 11
wait_for 20 second_recorded || die "after Next Section, button 1 did not start item 11"
[[ $(cat "$work/second.out") == "$work/second" ]] ||
    fail "item 11 ran in '$(cat "$work/second.out")', expected its own folder $work/second"
expect_geometry "10,$down 130x303" "after starting two items"

# --- The settings dialog. "Set Bar" opens it on the page of the bar's section (the second),
# where the first caption box is item 11's; an edited caption that is saved reaches the file
# and the bar's button at once.
button_one() { import -window root -crop "88x21+$((left + 21))+$((down + 65))" "$work/$1.png"; }
click $down 42 17 # Set Bar
dialog=
find_dialog() {
    dialog=$(xdotool search --all --onlyvisible --pid "$bar_pid" --name '^Settings' 2>/dev/null | head -n 1)
    [[ -n $dialog ]]
}
wait_for 20 find_dialog || die "Set Bar showed no window titled Settings"
[[ $(net_name "$dialog") == Settings ]] || fail "the dialog's _NET_WM_NAME is '$(net_name "$dialog")', expected 'Settings'"
# It turns to the bar's section when it becomes the active window; only then is the page there.
dialog_focused() { [[ $(xdotool getwindowfocus 2>/dev/null) == "$dialog" ]]; }
wait_for 20 dialog_focused || die "the settings dialog never became the active window (focus: $(xdotool getwindowfocus) $(xdotool getwindowfocus getwindowname), dialog $dialog $(xdotool getwindowname $dialog))"
eval "$(xdotool getwindowgeometry --shell "$dialog" | grep -E '^(X|Y)=[0-9]+$' | sed 's/^/dialog_/')"
# The first caption box of a section page, and "Save", in the dialog's own coordinates.
xdotool mousemove --sync $((dialog_X + 51)) $((dialog_Y + 97)) click --repeat 3 1
# The pointer is off the bar now, so its buttons show no hover frame in either picture.
button_one before
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 "Renamed"
xdotool mousemove --sync $((dialog_X + 272)) $((dialog_Y + 405)) click 1
saved_caption() { tr -d '\r' <"$work/tevlo.ini" | grep -qx '11=Renamed'; }
wait_for 20 saved_caption || fail "after Save the file does not hold 11=Renamed: $(tr '\r\n' '  ' <"$work/tevlo.ini")"
button_changed() {
    button_one after
    ! cmp -s "$work/before.png" "$work/after.png"
}
wait_for 10 button_changed || fail "after Save the bar's first button still shows its old caption"

# --- A second bar on the same folder shows the first one and ends, touching no file.
saved_before=$(cat "$work/tevlo.ini" "$work/Items.txt" | md5sum)
(
    cd / || exit 1
    exec env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" \
        "$work/tevlo" >"$work/second-bar.log" 2>&1
) &
second_pid=$!
second_ended() { ! kill -0 "$second_pid" 2>/dev/null || [[ $(awk '{ print $3 }' "/proc/$second_pid/stat" 2>/dev/null) == Z ]]; }
wait_for 30 second_ended || die "a second bar on the same folder did not end"
wait "$second_pid"
second_status=$?
((second_status == 0)) || fail "the second bar ended with status $second_status"
running || die "the first bar ended when a second one started"
[[ $(cat "$work/tevlo.ini" "$work/Items.txt" | md5sum) == "$saved_before" ]] ||
    fail "the second bar changed the settings files"

# --- Ending it as the desktop does while a message box is open: the box goes, the settings are
# saved, and it leaves with status 0.
click $down 52 287 # Previous Section: the first again
click $down 65 201 # button 7: a program that cannot be found
wait_for 20 find_box || die "starting a missing program showed no message box"
kill -TERM "$bar_pid"
ended() { ! running; }
wait_for 30 ended || die "the bar did not end within 30 s of SIGTERM"
wait "$bar_pid"
status=$?
bar_pid=
((status == 0)) || fail "the bar ended with status $status after SIGTERM"

ini=$work/tevlo.ini
[[ -f $ini ]] || die "tevlo.ini is gone"
grep -q $'\r$' "$ini" || fail "tevlo.ini was written without CR LF line ends"
# Key=value lines of one section, without the CR.
section_lines() {
    tr -d '\r' <"$ini" | awk -v want="[$1]" '/^\[/ { inside = ($0 == want); next } inside && /=/'
}
config=$(section_lines Config)
for key in CheckImage CheckImage2 BackColor1 BackColor2 Stretch Font1 ColFont1 Pos1 Pos2 \
    BackImage TitleImage OnTop Small Min Uppercase Resize; do
    grep -q "^$key=" <<<"$config" || fail "[Config] has no $key after the save"
done
for pair in BackColor1=255 BackColor2=-2147483633 'Font1=Liberation Sans' ColFont1=32768 \
    Pos1=1 Pos2=1 Resize=0 Uppercase=1 CheckImage=0 Small=0 Min=0; do
    grep -qx -- "$pair" <<<"$config" || fail "[Config] lacks '$pair'; it holds: $(tr '\n' ' ' <<<"$config")"
done
programs=$(section_lines Config.Prog)
captions=$(section_lines Config.Caption)
grep -qx -- "1=$work/first/record" <<<"$programs" || fail "item 1's program was not saved back"
grep -qx -- "11=$work/second/record" <<<"$programs" || fail "item 11's program was not saved back"
grep -qx -- "1=First" <<<"$captions" || fail "item 1's caption was not saved back"
grep -qx -- "11=Renamed" <<<"$captions" || fail "item 11's edited caption was not saved back"
grep -qx -- "8=$work/dropped/record" <<<"$programs" || fail "the dropped item 8 was not saved back"
[[ $(wc -l <<<"$programs") -eq 9 ]] || fail "[Config.Prog] gained items: $(tr '\n' ' ' <<<"$programs")"

if ((failures > 0)); then
    echo "--- the bar's output:"
    cat "$work/bar.log"
    exit 1
fi
echo "the bar placed, resized, switched sections, started eight items, took drops, titled its windows, followed a dragged link and saved its settings"
