# Sourced: start_xvfb starts an X server of its own on a free display,
# which it chooses itself, and exports DISPLAY; xvfb_pid is its process id.
start_xvfb() {
    display_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
        3>"$display_file" </dev/null >/dev/null 2>&1 &
    xvfb_pid=$!
    i=0
    while [ ! -s "$display_file" ]; do
        i=$((i + 1))
        if [ $i -gt 100 ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
            echo "cannot start Xvfb" >&2
            rm -f "$display_file"
            return 1
        fi
        sleep 0.1
    done
    DISPLAY=":$(tr -d '\n' < "$display_file")"
    export DISPLAY
    rm -f "$display_file"
}
