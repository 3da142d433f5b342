#!/usr/bin/env bash
# The native toolkit against the Windows builders: the same inputs give the
# same bytes, for a package and for each of embed's four builder switches;
# and what the builders made, taken apart by unpack, builds again to the
# same bytes through the commands unpack names.
source "$(dirname "$0")/lib.sh"
PUBKIT="$e2e_root/build/host/pubkit/pubkit"
[ -x "$PUBKIT" ] || e2e_fail "no native toolkit at $PUBKIT (tools/build makes it)"
e2e_dir pubkit_identity
same() { cmp "$1" "$2" >&2 || e2e_fail "$2 differs from $1"; }

# The command unpack prints for building its file again, into folder $2.
again() { sed -n '/^round trip: the same bytes again from$/{n;p}' "$1" | sed "s|NEWDIR|$2|; s|NEW.EXE|$2/again.exe|"; }

# A package: the bare setup builds it under Wine; the toolkit from the same
# files, once from the PACK.BOX and once from the folder it was zipped from.
# The sample's sources carry no EMBED.EXE (the demo builds one), which the
# check finds: --force packs them all the same.
"$PUBKIT" zip "$e2e_root/sample/pack" -o "$E2E_DIR/PACK.BOX" >/dev/null
e2e_package "$E2E_DIR" "$(cat "$e2e_root/sample/pack/SETUP.INI")" "$E2E_DIR/PACK.BOX"
b="$E2E_DIR/.builder"
"$PUBKIT" pack --setup "$b/setup.exe" --meter "$b/METER.DLL" --dunzip "$b/DUNZIP32.DLL" \
    --pack "$E2E_DIR/PACK.BOX" --ini "$b/SETUP.INI" -o "$E2E_DIR/native.exe" --force 2>/dev/null
same "$E2E_DIR/SETUP.EXE" "$E2E_DIR/native.exe"
"$PUBKIT" pack --setup "$b/setup.exe" --meter "$b/METER.DLL" --dunzip "$b/DUNZIP32.DLL" \
    --pack "$e2e_root/sample/pack" --ini "$b/SETUP.INI" -o "$E2E_DIR/from-folder.exe" --force 2>/dev/null
same "$E2E_DIR/SETUP.EXE" "$E2E_DIR/from-folder.exe"
"$PUBKIT" inspect "$E2E_DIR/SETUP.EXE" > "$E2E_LOG/inspect.txt" || e2e_fail "inspect refused the package"
grep -q ' ok  SETUP.INI$' "$E2E_LOG/inspect.txt" || e2e_fail "inspect did not list SETUP.INI"
"$PUBKIT" unpack "$E2E_DIR/SETUP.EXE" -o "$E2E_DIR/un" --members > "$E2E_LOG/unpack.txt" ||
    e2e_fail "unpack refused the package"
same "$E2E_BIN/setup.exe" "$E2E_DIR/un/setup.exe"
for f in "$e2e_root"/sample/pack/*; do same "$f" "$E2E_DIR/un/pack/$(basename "$f")"; done
command=$(again "$E2E_LOG/unpack.txt" "$E2E_DIR/un")
[ -n "$command" ] || e2e_fail "unpack names no command that packs the package again"
eval "\"$PUBKIT\" ${command#*pubkit } --force" 2>/dev/null
same "$E2E_DIR/SETUP.EXE" "$E2E_DIR/un/again.exe"

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
    for f in "$B/out$sw"/*; do
        same "$f" "$B/native$sw/$(basename "$f")"
        u="$B/un$sw-$(basename "$f")"
        "$PUBKIT" unpack "$f" -o "$u" > "$u.txt" || e2e_fail "unpack refused $f"
        same "$E2E_BIN/embed.exe" "$u/embed.exe"
        command=$(again "$u.txt" "$u/again")
        [ -n "$command" ] || e2e_fail "unpack names no command that builds $f again"
        mkdir -p "$u/again"
        eval "\"$PUBKIT\" ${command#*pubkit }" >/dev/null
        same "$f" "$u/again/$(basename "$f")"
    done
done
echo "pubkit_identity: package and four embed switches byte-identical, and again from unpack"
