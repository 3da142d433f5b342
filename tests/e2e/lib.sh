# Helpers of the end-to-end scenarios; sourced by each scenario script,
# which runs inside the Wine bench (tools/bench.sh) started by tools/test.
#   e2e_dir NAME           fresh work folder on drive C: (in $E2E_DIR, as
#                          Unix path; $E2E_WIN is its Windows path, $E2E_WINQ
#                          the same quoted for a scenario string)
#   e2e_package DIR INI    builds a packaged setup DIR/SETUP.EXE with the
#                          bare setup as builder, from INI and sample inputs
#   e2e_package_folder DIR INI   the same with the folder DIR/pack zipped
#                          into DIR/PACK.BOX as its archive
#   e2e_drive SCENARIO [--verbatim] [--bare] -- PROGRAM [ARGS]   plays a
#                          scenario (text on stdin); --verbatim passes the
#                          arguments unquoted, blanks and all; --bare fails
#                          when anything changes on the screen
set -euo pipefail

e2e_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# The build under test: ctest passes its own build folder (build/win32 or
# build/win64); the bench names the flavour it started for.
E2E_BUILD="${E2E_BUILD:-${BENCH_BUILD:?run through tools/test, which starts the Wine bench}}"
E2E_BIN="$E2E_BUILD/bin"
E2E_TESTS="$E2E_BUILD/tests"
: "${WINEPREFIX:?run through tools/test, which starts the Wine bench}"

e2e_fail()
{
    echo "FAIL: $*" >&2
    exit 1
}

# A text as a scenario string literal needs it: backslashes doubled.
e2e_quote()
{
    local s=${1//\\/\\\\}
    printf '%s' "${s//\"/\\\"}"
}

e2e_dir()
{
    E2E_DIR="$WINEPREFIX/drive_c/e2e/$1"
    rm -rf "$E2E_DIR"
    mkdir -p "$E2E_DIR"
    E2E_WIN="C:\\e2e\\$1"
    E2E_WINQ=$(e2e_quote "$E2E_WIN")
    E2E_LOG="$e2e_root/build/e2e/$1"
    rm -rf "$E2E_LOG"
    mkdir -p "$E2E_LOG"
}

# Deterministic bytes standing in for a library the package carries.
e2e_blob()
{
    python3 -c "import sys; n=int(sys.argv[1]); s=int(sys.argv[2]); sys.stdout.buffer.write(bytes((s+i*7+i//251)&255 for i in range(n)))" "$1" "$2"
}

# e2e_package DIR INI_TEXT [PACK.BOX path]: builds DIR/SETUP.EXE.
e2e_package()
{
    local dir=$1 ini=$2 pack=${3:-}
    local work="$dir/.builder"
    mkdir -p "$work"
    cp "$E2E_BIN/setup.exe" "$work/setup.exe"
    cp "$E2E_BIN/setup.exe" "$work/mtest.exe"
    cp "$E2E_BIN/METER.DLL" "$work/METER.DLL"
    if [ -f "$E2E_BIN/DUNZIP32.DLL" ]; then
        cp "$E2E_BIN/DUNZIP32.DLL" "$work/DUNZIP32.DLL"
    else
        e2e_blob 5000 17 > "$work/DUNZIP32.DLL"
    fi
    if [ -n "$pack" ]; then cp "$pack" "$work/PACK.BOX"; else e2e_blob 3000 99 > "$work/PACK.BOX"; fi
    printf '%s' "$ini" > "$work/SETUP.INI"
    (cd "$work" && wine setup.exe </dev/null)
    [ -f "$work/mtest.exe" ] || e2e_fail "builder left no mtest.exe"
    cp "$work/mtest.exe" "$dir/SETUP.EXE"
}

# e2e_package_folder DIR INI_TEXT: builds DIR/SETUP.EXE from DIR/pack.
e2e_package_folder()
{
    rm -f "$1/PACK.BOX"
    (cd "$1/pack" && zip -q -r -X ../PACK.BOX .)
    e2e_package "$1" "$2" "$1/PACK.BOX"
}

# e2e_drive NAME [--verbatim] [--bare] -- PROGRAM [ARGS...]: the scenario
# text comes on stdin.
e2e_drive()
{
    local name=$1 options=()
    shift
    while [ "$1" = "--verbatim" ] || [ "$1" = "--bare" ]; do options+=("$1"); shift; done
    [ "$1" = "--" ] && shift
    cat > "$E2E_LOG/$name.scn"
    wine "$E2E_TESTS/uidriver.exe" "${options[@]}" --transcript "$E2E_LOG/$name.transcript" \
        --shots "$(winepath -w "$E2E_LOG")" "$(winepath -w "$E2E_LOG/$name.scn")" -- "$@" \
        || { cat "$E2E_LOG/$name.transcript" >&2 2>/dev/null; e2e_fail "scenario $name"; }
}
