#!/usr/bin/env bash
# The native toolkit against the Windows builders: the same inputs give the
# same bytes, for a package and for each of embed's four builder switches.
source "$(dirname "$0")/lib.sh"
PUBKIT="$e2e_root/build/host/pubkit/pubkit"
[ -x "$PUBKIT" ] || e2e_fail "no native toolkit at $PUBKIT (tools/build makes it)"
e2e_dir pubkit_identity
same() { cmp "$1" "$2" >&2 || e2e_fail "$2 differs from $1"; }

# A package: the bare setup builds it under Wine; the toolkit from the same
# files, once from the PACK.BOX and once from the folder it was zipped from.
"$PUBKIT" zip "$e2e_root/sample/pack" -o "$E2E_DIR/PACK.BOX" >/dev/null
e2e_package "$E2E_DIR" "$(cat "$e2e_root/sample/pack/SETUP.INI")" "$E2E_DIR/PACK.BOX"
b="$E2E_DIR/.builder"
"$PUBKIT" pack --setup "$b/setup.exe" --meter "$b/METER.DLL" --dunzip "$b/DUNZIP32.DLL" \
    --pack "$E2E_DIR/PACK.BOX" --ini "$b/SETUP.INI" -o "$E2E_DIR/native.exe"
same "$E2E_DIR/SETUP.EXE" "$E2E_DIR/native.exe"
"$PUBKIT" pack --setup "$b/setup.exe" --meter "$b/METER.DLL" --dunzip "$b/DUNZIP32.DLL" \
    --pack "$e2e_root/sample/pack" --ini "$b/SETUP.INI" -o "$E2E_DIR/from-folder.exe"
same "$E2E_DIR/SETUP.EXE" "$E2E_DIR/from-folder.exe"
"$PUBKIT" inspect "$E2E_DIR/SETUP.EXE" > "$E2E_LOG/inspect.txt" || e2e_fail "inspect refused the package"
grep -q ' ok  SETUP.INI$' "$E2E_LOG/inspect.txt" || e2e_fail "inspect did not list SETUP.INI"

# embed's builder switches, each into a folder of its own.
B="$E2E_DIR/embed"
mkdir -p "$B"
cp "$E2E_BIN/embed.exe" "$B/embed.exe"
e2e_blob 7000 8 > "$B/Story.TXT"
e2e_blob 1500 9 > "$B/tarnw32.api"
for sw in -setup -cetup -sutup -cutup; do
    W="$E2E_WIN\\embed\\out$sw"
    mkdir -p "$B/out$sw" "$B/native$sw"
    printf '%s\r\n' "PATH1=$W\\doc.exe" "PATH2=$W\\plug.exe" "PATH3=$W\\upd.exe" \
        "MSG=Thank you for reading" "DEL=YES" > "$B/tkbuild.txt"
    e2e_drive "embed$sw" -- "$E2E_WIN\\embed\\embed.exe" "$sw" "$E2E_WIN\\embed\\Story.TXT" <<'SCN'
exit 0
nowindows
SCN
    "$PUBKIT" embed --image "$B/embed.exe" --build-file "$B/tkbuild.txt" --plugin "$B/tarnw32.api" \
        --doc "$B/Story.TXT" --switch "$sw" --out-dir "$B/native$sw" >/dev/null
    [ "$(ls "$B/out$sw")" = "$(ls "$B/native$sw")" ] ||
        e2e_fail "$sw: embed wrote '$(ls "$B/out$sw")', the toolkit '$(ls "$B/native$sw")'"
    for f in "$B/out$sw"/*; do same "$f" "$B/native$sw/$(basename "$f")"; done
done
echo "pubkit_identity: package and four embed switches byte-identical"
