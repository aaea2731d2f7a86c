# Sourced: start_xvfb starts an X server of its own on the first free
# display from :90 and exports DISPLAY; xvfb_pid is its process id.
start_xvfb() {
    n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    i=0
    while [ ! -e "/tmp/.X11-unix/X$n" ]; do
        i=$((i + 1))
        if [ $i -gt 100 ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
            echo "cannot start Xvfb on :$n" >&2
            return 1
        fi
        sleep 0.1
    done
}
