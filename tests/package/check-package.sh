#!/usr/bin/env bash
# The Debian package, as a user meets it: CPack builds it from the build folder, its file list,
# desktop entry, metadata and lintian are checked, it is installed, the installed bar is started
# by an ordinary user with no settings on a virtual display, must show a readable bar whose
# first item starts, must say so when its help page is missing, and must save into that user's
# own folder; then the package is removed. The program must name no folder of the machine that
# built it.
#
# Usage: check-package.sh BUILD-FOLDER   (configured with -DCMAKE_INSTALL_PREFIX=/usr)
# Exits 77 (skipped) when it may not install packages (neither root nor password-less sudo), or
# when a tevlo package is already installed, which it will not touch.
set -uo pipefail

build=${1:?usage: $0 build-folder}
build=$(cd "$build" && pwd)
source_tree=$(cd "$(dirname "$0")/../.." && pwd)
sudo=()
if [[ $(id -u) -ne 0 ]]; then
    sudo -n true 2>/dev/null || { echo "SKIP: installing a package needs root or sudo"; exit 77; }
    sudo=(sudo -n)
fi
if dpkg-query -W -f='${Status}' tevlo 2>/dev/null | grep -q 'install ok'; then
    echo "SKIP: a tevlo package is installed already; it is left alone"
    exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tevlo-package.XXXXXX")
chmod 755 "$work"
user=tevlo-check
made_user=
installed=
xvfb_pid=
bar_pid=
cleanup() {
    [[ -z $bar_pid ]] || kill -KILL "$bar_pid" 2>/dev/null
    [[ -z $installed ]] || "${sudo[@]}" dpkg -r tevlo >/dev/null 2>&1
    [[ -z $xvfb_pid ]] || kill -TERM "$xvfb_pid" 2>/dev/null
    "${sudo[@]}" pkill -KILL -u "$user" 2>/dev/null
    [[ -z $made_user ]] || "${sudo[@]}" userdel -r "$user" >/dev/null 2>&1
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
    [[ -s $work/bar.log ]] && { echo "--- the bar's output:"; cat "$work/bar.log"; }
    exit 1
}
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

# --- The package and what is in it.
cmake --build "$build" >/dev/null || die "the build folder does not build"
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log"; die "cpack failed"; }
package=$(ls "$work"/tevlo_*.deb 2>/dev/null | head -n 1)
[[ -f $package ]] || die "cpack made no .deb"
dpkg-deb -c "$package" | awk '{ print $6 }' | sed 's|^\./|/|' | grep -v '/$' | sort >"$work/files"
id=org.example.tevlo
expected=(
    /usr/bin/tevlo
    /usr/share/applications/$id.desktop
    /usr/share/metainfo/$id.metainfo.xml
    /usr/share/icons/hicolor/scalable/apps/$id.svg
    /usr/share/man/man1/tevlo.1.gz
    /usr/share/tevlo/help/index.html
    /usr/share/doc/tevlo/copyright
    /usr/share/doc/tevlo/changelog.gz
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
diff -u "$work/expected" "$work/files" >"$work/files.diff" ||
    fail "the package's files differ from the expected ones: $(cat "$work/files.diff")"
depends=$(dpkg-deb -f "$package" Depends)
for library in libqt6widgets6 libjpeg62-turbo libglib2.0-0; do
    [[ $depends == *"$library"* ]] || fail "the package does not depend on $library: $depends"
done
[[ $(dpkg-deb -f "$package" Maintainer) == *"<me@tevlo.example.org>"* ]] ||
    fail "the maintainer is $(dpkg-deb -f "$package" Maintainer)"

dpkg-deb -x "$package" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/$id.desktop" ||
    fail "desktop-file-validate refuses the desktop entry"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/$id.metainfo.xml" >"$work/as.log" 2>&1 ||
    { cat "$work/as.log"; fail "appstreamcli refuses the metadata"; }
# Warnings and errors count; lintian's information and pedantic notes do not.
lintian --suppress-tags running-with-root-privileges "$package" >"$work/lintian.log" 2>&1
if grep -E '^[EW]: ' "$work/lintian.log"; then
    fail "lintian has errors or warnings"
fi

# --- Installed, and started by an ordinary user who has no settings.
"${sudo[@]}" dpkg -i "$package" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; die "dpkg -i failed"; }
installed=yes
[[ $(/usr/bin/tevlo --version) == "tevlo "* ]] || fail "the installed tevlo --version says $(/usr/bin/tevlo --version)"
# Neither as bytes nor as the UTF-16 of a Qt string literal.
for folder in "$source_tree" "$build"; do
    if strings -a /usr/bin/tevlo | grep -qF "$folder" || strings -a -el /usr/bin/tevlo | grep -qF "$folder"; then
        fail "the installed program names $folder of the machine that built it"
    fi
done
if ! id "$user" >/dev/null 2>&1; then
    "${sudo[@]}" useradd -m -s /bin/sh "$user" || die "cannot add the user $user"
    made_user=yes
fi
home=$(getent passwd "$user" | cut -d: -f6)
"${sudo[@]}" rm -rf "$home/.config/tevlo"
runtime=$work/runtime
"${sudo[@]}" install -d -m 700 -o "$user" "$runtime"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display_known() { grep -qx '[0-9]\+' "$work/display" 2>/dev/null; }
wait_for 20 display_known || die "Xvfb did not start"
export DISPLAY=":$(tr -d '\n' <"$work/display")"

cd / || die "no root folder"
"${sudo[@]}" setpriv --reuid="$user" --regid="$(id -g "$user")" --init-groups \
    env -i HOME="$home" USER="$user" PATH=/usr/bin:/bin DISPLAY="$DISPLAY" \
    XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=xcb /usr/bin/tevlo >"$work/bar.log" 2>&1 &
bar_pid=$!
window=
find_window() {
    window=$(xdotool search --all --onlyvisible --name '^Tevlo$' 2>/dev/null | head -n 1)
    [[ -n $window ]]
}
wait_for 30 find_window || die "the installed bar showed no window"
eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^(X|Y)=[0-9]+$')"
xdotool mousemove --sync $((X + 17)) $((Y + 23)) click 1 # Show Bar
sleep 1
import -window "$window" "$work/bar.png"
# Readable: the first caption is dark on a light button face.
dark=$(convert "$work/bar.png" -crop 88x21+21+65 -threshold 50% -negate -format '%[fx:round(mean*w*h)]' info:)
((dark > 15)) || fail "the first launch button shows no readable caption ($dark dark pixels)"
xdotool mousemove --sync $((X + 65)) $((Y + 75)) click 1 # the first item: the desktop's terminal
started() { pgrep -u "$user" -f -x '.*xterm.*|.*terminal.*' >/dev/null; }
wait_for 20 started || fail "the first item started nothing for $user (its program: $("${sudo[@]}" grep '^1=' "$home/.config/tevlo/tevlo.ini"))"

# Without its help page the installed bar says so in a message box, and opens no other copy.
"${sudo[@]}" rm -f /usr/share/tevlo/help/index.html
xdotool mousemove --sync $((X + 88)) $((Y + 17)) click 1 # Help
message_shown() { (($(xdotool search --all --onlyvisible --name '^Tevlo$' 2>/dev/null | wc -l) >= 2)); }
wait_for 20 message_shown || fail "Help without its page showed no message box"

kill -TERM "$bar_pid"
ended() { ! kill -0 "$bar_pid" 2>/dev/null; }
wait_for 30 ended || die "the installed bar did not end on SIGTERM"
wait "$bar_pid"
status=$?
bar_pid=
((status == 0)) || fail "the installed bar ended with status $status"
for file in tevlo.ini Items.txt; do
    owner=$("${sudo[@]}" stat -c %U "$home/.config/tevlo/$file" 2>/dev/null)
    [[ $owner == "$user" ]] || fail "$home/.config/tevlo/$file is missing or not the user's ($owner)"
done
[[ $("${sudo[@]}" stat -c %a "$home/.config/tevlo") == 700 ]] || fail "the settings folder is not private"

"${sudo[@]}" dpkg -r tevlo >/dev/null 2>&1 || fail "dpkg -r failed"
installed=
[[ ! -e /usr/bin/tevlo ]] || fail "/usr/bin/tevlo is still there after removal"

if ((failures > 0)); then
    echo "--- lintian:"
    cat "$work/lintian.log"
    exit 1
fi
echo "the package has its files, validates, installs, runs for an ordinary user and removes"
