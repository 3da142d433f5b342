# Helpers of the program group scenarios; sourced after lib.sh.
#   progman_start DIR [-nowindow]   starts the Program Manager double from
#                  DIR (after the desktop and the shell's own service, which
#                  it waits for) and waits until it serves; sets PROGMAN_DIR
#                  and PROGMAN_LOG (its log of commands and window states)
#   progman_stop   ends it and waits, bounded, until it has ended
#   progman_expect_log CASE   the double's log holds exactly the bytes of
#                  E2E_LOG/CASE.expected; otherwise both are shown
#   shell_ready    waits, bounded, until the desktop and the shell's own
#                  Program Manager service are up. The desktop process keeps
#                  the standard output of whoever started it, and the
#                  shell's folder windows (ShowGroup opens one) inherit it:
#                  started here, they hold /dev/null, not the test's pipe
#   programs_dir   prints the Unix path of the user's Start-menu Programs folder
#   group_links NAME   prints one line per link of the group folder NAME, as
#                  read back through the shell's link object, sorted

progman_start()
{
    PROGMAN_DIR=$1
    PROGMAN_LOG="$PROGMAN_DIR/progman.log"
    mkdir -p "$PROGMAN_DIR"
    rm -f "$PROGMAN_DIR"/{quit,ready.txt,ended.txt,progman.log}
    cp "$E2E_TESTS/progman_double.exe" "$PROGMAN_DIR/progman.exe"
    (cd "$PROGMAN_DIR" && wine progman.exe "${@:2}" </dev/null >/dev/null 2>&1 &)
    local i
    for i in $(seq 1 400); do [ -f "$PROGMAN_DIR/ready.txt" ] && break; sleep 0.1; done
    [ -f "$PROGMAN_DIR/ready.txt" ] || e2e_fail "the Program Manager double did not start"
    grep -q 'ready after the shell' "$PROGMAN_DIR/ready.txt" ||
        e2e_fail "the Program Manager double started before the shell's own service"
}

shell_ready()
{
    wine "$E2E_TESTS/progman_double.exe" -probe </dev/null >/dev/null 2>&1 ||
        e2e_fail "the shell's Program Manager service did not answer"
}

progman_stop()
{
    [ -n "${PROGMAN_DIR:-}" ] && [ -f "$PROGMAN_DIR/ready.txt" ] || return 0
    touch "$PROGMAN_DIR/quit"
    local i
    for i in $(seq 1 100); do [ -f "$PROGMAN_DIR/ended.txt" ] && break; sleep 0.1; done
    [ -f "$PROGMAN_DIR/ended.txt" ] || e2e_fail "the Program Manager double did not end"
    rm -f "$PROGMAN_DIR/ready.txt"
}

progman_expect_log()
{
    cmp "$E2E_LOG/$1.expected" "$PROGMAN_LOG" || {
        echo "expected:" >&2; cat -v "$E2E_LOG/$1.expected" >&2
        echo "Program Manager got:" >&2; cat -v "$PROGMAN_LOG" >&2
        e2e_fail "$1: Program Manager's commands"
    }
}

programs_dir()
{
    local d
    for d in "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs; do
        case "$d" in */users/Public/*) continue ;; esac
        [ -d "$d" ] && { printf '%s\n' "$d"; return 0; }
    done
    e2e_fail "no Start-menu Programs folder in the prefix"
}

group_links()
{
    local dir
    dir="$(programs_dir)/$1"
    local links=()
    local f
    for f in "$dir"/*.lnk; do
        [ -e "$f" ] && links+=("$(winepath -w "$f")")
    done
    [ ${#links[@]} -gt 0 ] || return 0
    wine "$E2E_TESTS/linkinfo.exe" "${links[@]}" | tr -d '\r' | sort
}
