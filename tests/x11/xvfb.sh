# shellcheck shell=bash
# A private Xvfb for the whole-program tests, sourced by them:
#   start_xvfb    sets `display` (":N") and `xvfb` (its process), or fails the script
#   stop_xvfb     ends it (the scripts call it from their EXIT trap when `xvfb` is set)
#   x COMMAND...  an X tool on that display, killed after ten seconds; a window that has just
#                 gone is no error
#   fail TEXT     counts a failure in `failures` and says it
# Sourcing it makes the script's `scratch` folder, which the EXIT trap removes with Xvfb.

x() { DISPLAY=$display timeout -s KILL 10 "$@" 2>/dev/null || true; }

stop_xvfb() {
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
}

# A high display number, away from the servers other sessions number upwards from 0. The server
# is ours once its lock file names it and it answers; it ends at once when the number is taken.
start_xvfb() {
    local n
    for _ in 1 2 3 4 5 6 7 8; do
        n=$((20000 + RANDOM % 40000)) display=""
        [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
        xvfb=$!
        for _ in $(seq 150); do
            kill -0 "$xvfb" 2>/dev/null || break
            if [ "$(tr -d " " 2>/dev/null <"/tmp/.X$n-lock")" = "$xvfb" ] &&
                DISPLAY=:$n xdotool getdisplaygeometry >/dev/null 2>&1; then
                display=:$n
                return 0
            fi
            sleep 0.1
        done
        stop_xvfb
        xvfb=""
    done
    echo "FAIL: Xvfb did not start"
    exit 1
}

scratch=$(mktemp -d)
xvfb=""
cleanup() {
    if [ -n "$xvfb" ]; then stop_xvfb; fi
    rm -rf "$scratch"
}
trap cleanup EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
