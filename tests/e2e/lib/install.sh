# Helpers of the scenarios that install a package; sourced after lib.sh.
#   make_pack NAME SCRIPT [MEMBER=TEXT]...
#                  builds E2E_DIR/NAME/SETUP.EXE (NAME "." for E2E_DIR
#                  itself) from the folder NAME/pack: SCRIPT as SETUP.INI,
#                  the recorder double as EMBED.EXE (so the destination gets
#                  EMBED.EXE.args, the command line setup started it with)
#                  and each MEMBER holding TEXT and a CR LF. SCRIPT is the
#                  trailer's too. Few, small members: the expansion waits a
#                  second for each.
#   install_walk NAME [WALK] -- PROGRAM [ARGS]
#                  plays a shown installation through the UI driver (as
#                  e2e_drive NAME): the walk below, then the steps on stdin
#                  (</dev/null for none), then the end the walk names
#   install_scenario [WALK]   prints that scenario, the steps read from stdin
# WALK, in the order a reader meets the windows (the destination dialog is
# always answered with OK):
#   --timeout S     bound of every wait (the driver's 30 s otherwise)
#   --title TITLE   first the main window "QUICKINST" titled TITLE
#   --readme        the readme, continued
#   --to DIR        DIR typed as the destination
#   --no-copy       the walk ends with the destination's OK; otherwise it
#                   waits until the copy dialog has come and gone
#   --licence       the licence, accepted
#   --complete, --not-complete   the steps are followed by the completion
#                   dialog reading "Installation is Complete." or
#                   "Installation Not Complete.", closed with OK, and exit
#                   status 0; without either the steps end the run
#   --at STAGE STEP one more step while the window of STAGE (readme,
#                   destination, copy, licence, result) is current, before
#                   it is answered; a stage's steps play in the order given
# TITLE, DIR and STEP are written as in a scenario (backslashes doubled).

make_pack()
{
    local dir="$E2E_DIR/$1" script=$2 member
    shift 2
    mkdir -p "$dir/pack"
    cp "$E2E_TESTS/recorder.exe" "$dir/pack/EMBED.EXE"
    for member; do
        printf '%s\r\n' "${member#*=}" > "$dir/pack/${member%%=*}"
    done
    printf '%s' "$script" > "$dir/pack/SETUP.INI"
    e2e_package_folder "$dir" "$script"
}

install_scenario()
{
    local timeout="" title="" readme="" to="" copy=1 licence="" result="" at=() stage
    while [ $# -gt 0 ]; do
        # Its value(s) must follow an option that takes any.
        case $1 in
        --timeout | --title | --to) [ $# -ge 2 ] ;;
        --at) [ $# -ge 3 ] ;;
        esac || e2e_fail "install_scenario: $1 without its value"
        case $1 in
        --timeout) timeout=$2; shift 2 ;;
        --title) title=$2; shift 2 ;;
        --readme) readme=1; shift ;;
        --to) to=$2; shift 2 ;;
        --no-copy) copy=""; shift ;;
        --licence) licence=1; shift ;;
        --complete) result="Installation is Complete."; shift ;;
        --not-complete) result="Installation Not Complete."; shift ;;
        --at) at+=("$2" "$3"); shift 3 ;;
        *) e2e_fail "install_scenario: unknown option $1" ;;
        esac
    done
    for ((stage = 0; stage < ${#at[@]}; stage += 2)); do
        case ${at[stage]} in
        readme) [ -n "$readme" ] ;;
        destination) true ;;
        copy) [ -n "$copy" ] ;;
        licence) [ -n "$licence" ] ;;
        result) [ -n "$result" ] ;;
        *) false ;;
        esac || e2e_fail "install_scenario: no window of stage ${at[stage]} in this walk"
    done
    [ -z "$timeout" ] || echo "timeout $timeout"
    [ -z "$title" ] || echo "window \"QUICKINST\" \"$title\""
    if [ -n "$readme" ]; then
        echo "dialog 1000,4"
        install_steps_at readme
        echo "press 1"
    fi
    echo "dialog 1001,1006,1000"
    [ -z "$to" ] || echo "type 1000 \"$to\""
    install_steps_at destination
    echo "press 1"
    if [ -n "$copy" ]; then
        echo "dialog 1003,1002,1006"
        install_steps_at copy
        echo "gone"
    fi
    if [ -n "$licence" ]; then
        echo "dialog 1000,4"
        echo 'text 1 "Accept"'
        install_steps_at licence
        echo "press 1"
    fi
    cat
    if [ -n "$result" ]; then
        echo "dialog 1,1006"
        echo "text 1006 \"$result\""
        install_steps_at result
        echo "press 1"
        echo "exit 0"
    fi
}

# install_steps_at STAGE: the steps install_scenario was given for STAGE
# (in its array "at").
install_steps_at()
{
    local i
    for ((i = 0; i < ${#at[@]}; i += 2)); do
        [ "${at[i]}" != "$1" ] || printf '%s\n' "${at[i + 1]}"
    done
}

install_walk()
{
    local name=$1 walk=() scenario
    shift
    while [ $# -gt 0 ] && [ "$1" != -- ]; do walk+=("$1"); shift; done
    [ $# -gt 1 ] || e2e_fail "install_walk $name: no -- PROGRAM"
    shift
    scenario=$(install_scenario "${walk[@]}") || exit 1
    e2e_drive "$name" -- "$@" <<< "$scenario"
}
