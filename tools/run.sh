#!/bin/sh
# Builds tessaron.exe and runs it under Wine as a Japanese user would meet
# it: in a Wine desktop, from a folder holding three sample wallpapers, with
# no argument (a random pick) or with the file given. Then opens the
# desktop again, which paints the wallpaper the program recorded in the
# profile, waits until it shows that bitmap, and saves a screenshot of it.
# A message box, if the program shows one, is saved as a screenshot once it
# is drawn, and then dismissed.
#
#   tools/run.sh [BITMAP]
#
# Uses Xvfb when there is no display. Runs under the host's Wine 8 where it
# starts, else under Wine 10's WoW64 build in tools/wine-root.sh's root;
# TESSARON_WINE=host or TESSARON_WINE=wow64 picks one. Each Wine has a
# prefix of its own; under WoW64, BITMAP must lie in the repository or in
# /tmp, which are all the root sees of this machine.
# Exits non-zero when the program's exit code is not 0, or when a wallpaper
# was set but the desktop does not show it.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
file=""
[ $# -gt 0 ] && file=$(realpath -m "$1")

. tools/wine.sh
if ! in_wine_root; then
    tools/install-deps.sh
    cmake --preset win32 --log-level=WARNING >/dev/null
    cmake --build --preset win32 --target demo >/dev/null
fi
[ -n "$file" ] && set -- "$file"
enter_wine tools/run.sh "$@"
require_wine
echo "Wine: $(describe_wine)"

demo=$root/build/win32/demo
desktop_png=$root/build/win32/demo-desktop.png
box_png=$root/build/win32/demo-box.png
rm -f "$root"/build/win32/demo-*.png "$demo"/*.txt
export LC_ALL=ja_JP.UTF-8

xvfb_pid=""
cleanup() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM
if [ -z "${DISPLAY:-}" ]; then
    . tools/xvfb.sh
    start_xvfb
fi
start_wine "$root/build/win32/demo-prefix$wine_suffix"

# The Wine desktop's window, once it is on screen.
desktop_window() {
    i=0
    while [ $i -lt 100 ]; do
        w=$(xdotool search --onlyvisible --name '^Tessaron' 2>/dev/null | head -n 1 || true)
        [ -n "$w" ] && { echo "$w"; return 0; }
        sleep 0.2
        i=$((i + 1))
    done
    return 1
}

cd "$demo"
if [ -n "$file" ]; then
    printf 'Running: tessaron.exe "%s"\n' "$(winpath "$file")"
    set -- tessaron.exe "$(winpath "$file")"
else
    echo "Running: tessaron.exe, beside $(ls ./*.bmp | sed 's|^\./||' | tr '\n' ' ')"
    set -- tessaron.exe
fi
wine explorer /desktop=Tessaron,800x600 demo_host.exe 0 "$@" </dev/null >/dev/null 2>&1 &
host=$!

# A screenshot of `window` in PNG once two taken in a row are the same:
# the screen has stopped changing.
settled_screenshot() {
    previous=""
    n=0
    while [ $n -lt 20 ]; do
        import -window "$1" "$2.ppm"
        current=$(md5sum < "$2.ppm")
        [ "$current" = "$previous" ] && break
        previous=$current
        sleep 0.3
        n=$((n + 1))
    done
    /usr/bin/convert "$2.ppm" "$2"
    rm -f "$2.ppm"
}

# The program ends at once unless it shows a box: the host then says so,
# once the box is drawn, and presses OK once the box is on file.
i=0
boxes=0
while kill -0 "$host" 2>/dev/null; do
    sleep 0.2
    i=$((i + 1))
    if [ -e box-shown.txt ] && window=$(desktop_window); then
        boxes=$((boxes + 1))
        png=$box_png
        [ $boxes -gt 1 ] && png=${box_png%.png}-$boxes.png
        settled_screenshot "$window" "$png"
        echo "tessaron.exe showed a message box: $png"
        rm -f box-shown.txt
        : > box-seen.txt
    fi
    if [ $i -gt 300 ]; then
        echo "tessaron.exe did not end; stopping it." >&2
        exit 1
    fi
done
status=$(tr -d '\r\n' < exit-code.txt 2>/dev/null || echo "unknown")
echo "tessaron.exe exited with code $status."
wallpaper=$(wine reg query 'HKCU\Control Panel\Desktop' /v Wallpaper 2>/dev/null |
    tr -d '\r' | sed -n 's/.*REG_SZ[[:space:]]*//p')
printf 'Wallpaper setting: %s\n' "$wallpaper"

# A new Wine desktop paints the wallpaper recorded in the profile. On a
# fresh prefix it can show an empty (black) desktop for a while first, so
# look until the bitmap is there, for about a minute at most.
wine explorer /desktop=Tessaron,800x600 demo_host.exe 60000 </dev/null >/dev/null 2>&1 &
window=$(desktop_window) || { echo "The Wine desktop did not appear." >&2; exit 1; }
bitmap=""
[ -n "$wallpaper" ] && bitmap=$(wine winepath -u "$wallpaper" 2>/dev/null | tr -d '\r')
shown=no
i=0
while [ $i -lt 60 ]; do
    settled_screenshot "$window" "$desktop_png"
    if [ -z "$bitmap" ]; then
        shown=none
        break
    fi
    if verdict=$(/usr/bin/python3 "$root/tools/check_wallpaper.py" "$desktop_png" "$bitmap" 2>&1); then
        shown=yes
        break
    fi
    sleep 0.5
    i=$((i + 1))
done
echo "Screenshot of the Wine desktop: $desktop_png"
case $shown in
    yes) echo "The screenshot shows $(basename "$bitmap"): $verdict" ;;
    none) echo "No wallpaper is set, so the desktop shows none." ;;
    *)
        echo "The wallpaper is NOT shown: $verdict" >&2
        exit 1
        ;;
esac
[ "$status" = 0 ]
