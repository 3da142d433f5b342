# The Wine bench, sourced by tools/test and tools/demo: a private Wine prefix
# under build/, an Xvfb display on a free number, a persistent wineserver for
# the run, and drive D: mapped to build/cdrom as a CD-ROM drive. Every run
# starts from a fresh prefix, so nothing depends on an earlier one.
#   bench_start   sets everything up and exports WINEPREFIX, DISPLAY, ...
#   bench_stop    ends the wineserver and the display (run on exit)

bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

bench_free_display()
{
    local n
    for n in $(seq 90 199); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
            echo "$n"
            return 0
        fi
    done
    return 1
}

bench_start()
{
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    export WINEPREFIX="${BENCH_PREFIX:-$bench_root/build/wineprefix}"
    export BENCH_CDROM="$bench_root/build/cdrom"

    local n
    n=$(bench_free_display) || { echo "bench: no free X display" >&2; return 1; }
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    bench_xvfb_pid=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 100); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        kill -0 "$bench_xvfb_pid" 2>/dev/null || { echo "bench: Xvfb did not start" >&2; return 1; }
        sleep 0.1
    done
    [ -e "/tmp/.X11-unix/X$n" ] || { echo "bench: Xvfb socket never appeared" >&2; return 1; }
    trap bench_stop EXIT

    rm -rf "$WINEPREFIX" "$BENCH_CDROM"
    mkdir -p "$BENCH_CDROM" "$WINEPREFIX"
    # Persistent for the run: every Wine process start then costs a second,
    # not a server start.
    wineserver -p
    wineboot -i >/dev/null 2>&1
    ln -sfn "$BENCH_CDROM" "$WINEPREFIX/dosdevices/d:"
    wine reg add 'HKLM\Software\Wine\Drives' /v 'd:' /d cdrom /f /reg:64 >/dev/null 2>&1
    # Without a window manager, managed windows wait two seconds for one
    # whenever they are hidden; unmanaged ones close at once.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    # The mount manager reads drive types when it starts: restart the server.
    wineserver -k
    wineserver -w
    wineserver -p
    # A fresh prefix opens documents with its own browser; tests bring their
    # own viewer doubles instead.
    wine reg delete 'HKCR\.pdf' /f >/dev/null 2>&1 || true
}

bench_stop()
{
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "${bench_xvfb_pid:-}" ]; then
        kill "$bench_xvfb_pid" 2>/dev/null || true
        wait "$bench_xvfb_pid" 2>/dev/null || true
        bench_xvfb_pid=
    fi
}
