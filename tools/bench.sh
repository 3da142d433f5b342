# The Wine bench, sourced by tools/test and tools/demo: a private Wine prefix
# under build/, an Xvfb display on a free number, a persistent wineserver for
# the run, and drive D: mapped to build/cdrom as a CD-ROM drive. Every run
# starts from a fresh prefix, so nothing depends on an earlier one.
#   bench_start   sets everything up and exports WINEPREFIX, DISPLAY,
#                 BENCH_FLAVOUR (32 or 64) and BENCH_BUILD (build/win32 or
#                 build/win64, the programs under test)
#   bench_stop    ends the wineserver and the display (run on exit)
#   bench_locale_prefix LOCALE ACP [DIR]
#                 inside a started bench: switches this shell to the Unix
#                 locale LOCALE (made with localedef under build/locale when
#                 the system has none) and to a fresh prefix of its own in
#                 DIR (default build/wineprefix-ACP), with its own wineserver
#                 on the same display; fails loudly unless the prefix's ANSI
#                 code page is ACP. Wine takes the code page from the locale,
#                 so a Japanese ja_JP.UTF-8 prefix runs every ANSI program
#                 in 932. bench_locale_stop ends that prefix's wineserver.
# BENCH_LOCALE and BENCH_ACP given to bench_start run the whole bench in
# that locale, the same way.
#
# The flavour is the one the host can run (tools/host.sh); TARNWICK_FLAVOUR
# forces it. For the 64-bit flavour a folder of wrappers early in PATH makes
# wine, wineboot and winepath call the 64-bit loader directly: Debian's own
# commands pick the 32-bit loader whenever wine32 is installed, and on a host
# that runs only 64-bit code that loader cannot start.

bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$bench_root/tools/host.sh"

bench_wine64_wrappers()
{
    local dir="$bench_root/build/wine64-bin" loader=/usr/lib/wine/wine64
    [ -x "$loader" ] || { echo "bench: $loader is missing (package wine64)" >&2; return 1; }
    mkdir -p "$dir"
    printf '#!/bin/sh\nexec %s "$@"\n' "$loader" > "$dir/wine"
    printf '#!/bin/sh\nexec %s "$@"\n' "$loader" > "$dir/wine64"
    printf '#!/bin/sh\nexec %s wineboot.exe "$@"\n' "$loader" > "$dir/wineboot"
    printf '#!/bin/sh\nexec %s winepath.exe "$@"\n' "$loader" > "$dir/winepath"
    chmod +x "$dir"/*
    export PATH="$dir:$PATH"
    export WINELOADER="$loader"
}

bench_start()
{
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    export WINEPREFIX="${BENCH_PREFIX:-$bench_root/build/wineprefix}"
    export BENCH_CDROM="$bench_root/build/cdrom"
    BENCH_FLAVOUR=$(host_flavour) || return 1
    export BENCH_FLAVOUR
    export BENCH_BUILD="$bench_root/build/win$BENCH_FLAVOUR"
    if [ "$BENCH_FLAVOUR" = 64 ]; then
        bench_wine64_wrappers || return 1
    fi

    # Xvfb picks a free display itself and writes its number when it is
    # ready, so two benches starting together never race for one.
    local fifo n=""
    fifo=$(mktemp -u "${TMPDIR:-/tmp}/bench-display.XXXXXX")
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    bench_xvfb_pid=$!
    read -r -t 30 n < "$fifo" || true
    rm -f "$fifo"
    [ -n "$n" ] || { echo "bench: Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$n"
    trap bench_stop EXIT

    rm -rf "$BENCH_CDROM"
    mkdir -p "$BENCH_CDROM"
    if [ -n "${BENCH_LOCALE:-}" ]; then
        bench_use_locale "$BENCH_LOCALE" || return 1
    fi
    bench_prefix "${BENCH_ACP:-}"
}

# bench_use_locale LOCALE: exports LANG and LC_ALL, and LOCPATH when the
# locale had to be made here. Fails when it cannot be made.
bench_use_locale()
{
    local locale=$1 name=${1%%.*} charset=${1#*.}
    local want have
    want=$(printf '%s' "$locale" | tr 'A-Z' 'a-z' | tr -d '-')
    have=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z' | tr -d '-' | grep -Fx "$want" || true)
    if [ -z "$have" ]; then
        local dir="$bench_root/build/locale"
        if [ ! -d "$dir/$locale" ]; then
            mkdir -p "$dir"
            localedef -i "$name" -f "$charset" "$dir/$locale" >/dev/null 2>&1 ||
                [ -d "$dir/$locale" ] || {
                    echo "bench: cannot make the locale $locale (localedef -i $name -f $charset;" \
                         "package locales)" >&2
                    return 1
                }
        fi
        export LOCPATH="$dir"
    fi
    # The shell itself read the locale folder before LOCPATH was set and
    # would warn that it cannot take the locale; its programs can.
    { export LANG="$locale" LC_ALL="$locale"; } 2>/dev/null
}

# bench_prefix [ACP]: a fresh prefix in $WINEPREFIX with its wineserver;
# with ACP, fails unless the prefix reports that ANSI code page.
bench_prefix()
{
    local acp=${1:-}
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
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
    # The desktop and the shell's services start with the first program that
    # needs them and keep its standard output, as do the folder windows the
    # shell opens on a Program Manager ShowGroup: start them here, on
    # /dev/null, so no test's output pipe stays open after the test.
    local probe="$BENCH_BUILD/tests/progman_double.exe"
    [ ! -f "$probe" ] || wine "$probe" -probe </dev/null >/dev/null 2>&1 || true
    if [ -n "$acp" ]; then
        local got
        got=$(wine reg query 'HKLM\System\CurrentControlSet\Control\Nls\CodePage' /v ACP \
                  2>/dev/null | tr -d '\r' | awk '$1 == "ACP" { print $3 }')
        if [ "$got" != "$acp" ]; then
            echo "bench: the prefix $WINEPREFIX reports ANSI code page '${got:-none}', not $acp:" \
                 "Wine did not take the locale ${LC_ALL:-${LANG:-C}}" >&2
            return 1
        fi
    fi
}

bench_locale_prefix()
{
    local locale=$1 acp=$2
    export WINEPREFIX="${3:-$bench_root/build/wineprefix-$acp}"
    bench_use_locale "$locale" || return 1
    bench_prefix "$acp"
}

bench_locale_stop()
{
    wineserver -k >/dev/null 2>&1 || true
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
