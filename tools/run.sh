#!/bin/sh
# The demo (docs/building.md): builds tessaron.exe and runs it in a Wine
# desktop beside three sample wallpapers, with no argument or with BITMAP,
# then checks that the desktop shows the wallpaper set, and saves
# screenshots of it and of any message box.
#
#   tools/run.sh [BITMAP]
set -eu
cd "$(dirname "$0")/.."
root=$PWD
file=""
[ $# -gt 0 ] && file=$(realpath -m "$1")

. tools/lib/wine.sh
if ! in_wine_root; then
    tools/install-deps.sh
    cmake --preset win32 --log-level=WARNING >/dev/null
    cmake --build --preset win32 --target demo >/dev/null
fi
[ -n "$file" ] && set -- "$file"
enter_wine tools/run.sh "$@"
require_wine
echo "Wine: $(wine --version 2>/dev/null), $TESSARON_WINE"

out=$root/build/win32
rm -f "$out"/demo-*.png "$out"/demo/*.txt
export LC_ALL=ja_JP.UTF-8
xvfb_pid=""
trap '[ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null; [ -n "$xvfb_pid" ] && kill "$xvfb_pid"' EXIT
trap 'exit 130' INT TERM
[ -n "${DISPLAY:-}" ] || start_xvfb
start_wine "$out/demo-prefix$wine_suffix"

# The Wine desktop's window, once it is on screen (20 s at most).
desktop_window() {
    timeout 20 xdotool search --sync --onlyvisible --name '^Tessaron' 2>/dev/null | head -n 1
}
# settled_screenshot WINDOW PNG, once two taken in a row are the same.
settled_screenshot() {
    previous=""
    for n in $(seq 20); do
        import -window "$1" "$2.ppm"
        current=$(md5sum < "$2.ppm")
        [ "$current" = "$previous" ] && break
        previous=$current
        sleep 0.3
    done
    /usr/bin/convert "$2.ppm" "$2" && rm -f "$2.ppm"
}

cd "$out/demo"
if [ -n "$file" ]; then
    printf 'Running: tessaron.exe "%s"\n' "$(winpath "$file")"
    set -- tessaron.exe "$(winpath "$file")"
else
    echo "Running: tessaron.exe, beside $(ls ./*.bmp | sed 's|^\./||' | tr '\n' ' ')"
    set -- tessaron.exe
fi
wine explorer /desktop=Tessaron,800x600 demo_host.exe 0 "$@" </dev/null >/dev/null 2>&1 &
host=$!
# The program ends at once unless it shows a box: the host then says so
# once the box is drawn, and presses OK once the box is on file.
boxes=0
for i in $(seq 300) stop; do
    kill -0 "$host" 2>/dev/null || break
    [ $i = stop ] && { echo "tessaron.exe did not end; stopping it." >&2; exit 1; }
    sleep 0.2
    if [ -e box-shown.txt ] && window=$(desktop_window); then
        boxes=$((boxes + 1))
        png=$out/demo-box.png
        [ $boxes -gt 1 ] && png=$out/demo-box-$boxes.png
        settled_screenshot "$window" "$png"
        echo "tessaron.exe showed a message box: $png"
        rm -f box-shown.txt
        : > box-seen.txt
    fi
done
status=$(tr -d '\r\n' < exit-code.txt 2>/dev/null || echo "unknown")
echo "tessaron.exe exited with code $status."
wallpaper=$(wine reg query 'HKCU\Control Panel\Desktop' /v Wallpaper 2>/dev/null |
    tr -d '\r' | sed -n 's/.*REG_SZ[[:space:]]*//p')
printf 'Wallpaper setting: %s\n' "$wallpaper"

# A new Wine desktop paints the wallpaper recorded in the profile. On a
# fresh prefix it can show an empty (black) desktop for a while first, so
# look until the bitmap is there, for about a minute at most: centred, as
# Windows and Wine draw it, nine pixels in ten within 10% of the bitmap's
# (ImageMagick's compare).
wine explorer /desktop=Tessaron,800x600 demo_host.exe 60000 </dev/null >/dev/null 2>&1 &
window=$(desktop_window) || { echo "The Wine desktop did not appear." >&2; exit 1; }
desktop_png=$out/demo-desktop.png
if [ -z "$wallpaper" ]; then
    settled_screenshot "$window" "$desktop_png"
    echo "Screenshot of the Wine desktop: $desktop_png"
    echo "No wallpaper is set, so the desktop shows none."
    [ "$status" = 0 ]
    exit 0
fi
bitmap=$(wine winepath -u "$wallpaper" 2>/dev/null | tr -d '\r')
size=$(/usr/bin/identify -format '%wx%h' "$bitmap")
pixels=$((${size%x*} * ${size#*x}))
for i in $(seq 60); do
    settled_screenshot "$window" "$desktop_png"
    differ=$(/usr/bin/convert "$desktop_png" -gravity center -crop "$size+0+0" +repage miff:- |
        /usr/bin/compare -metric AE -fuzz 10% - "$bitmap" null: 2>&1) || true
    awk -v d="$differ" -v n="$pixels" 'BEGIN { exit !(d + 0 <= n / 10) }' && break
    sleep 0.5
done
echo "Screenshot of the Wine desktop: $desktop_png"
if ! awk -v d="$differ" -v n="$pixels" 'BEGIN { exit !(d + 0 <= n / 10) }'; then
    echo "The wallpaper is NOT shown: $differ of $pixels pixels differ." >&2
    exit 1
fi
echo "The screenshot shows $(basename "$bitmap"): $differ of $pixels pixels differ."
[ "$status" = 0 ]
