# Which Windows flavour this host can test, sourced by tools/deps,
# tools/build and the Wine bench.
#   host_runs_i386      true when the kernel runs 32-bit x86 programs
#   host_flavour        prints 32 or 64: TARNWICK_FLAVOUR when set, else 32
#                       where the host runs 32-bit code and 64 where it
#                       runs only 64-bit code (and so no 32-bit Wine)

host_runs_i386()
{
    # A 96-byte static i386 program that only exits with status 42: the
    # answer takes milliseconds and needs nothing installed. On a host
    # without IA-32 emulation the exec fails ("Exec format error").
    local probe status=0
    probe=$(mktemp "${TMPDIR:-/tmp}/i386probe.XXXXXX")
    printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' > "$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null || status=$?
    rm -f "$probe"
    [ "$status" -eq 42 ]
}

host_flavour()
{
    case "${TARNWICK_FLAVOUR:-}" in
        32|64) echo "$TARNWICK_FLAVOUR"; return 0 ;;
        "") ;;
        *) echo "TARNWICK_FLAVOUR must be 32 or 64, not '$TARNWICK_FLAVOUR'" >&2; return 1 ;;
    esac
    if host_runs_i386; then echo 32; else echo 64; fi
}
