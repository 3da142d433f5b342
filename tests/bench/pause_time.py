#!/usr/bin/env python3
"""Sums the time the named programs spent in their fixed pauses, from a
Wine trace (WINEDEBUG=+timestamp,+loaddll,+relay) whose relay is restricted
to MsgWaitForMultipleObjects and Sleep.

Every pause of setup and embed ends in one of these calls: setup's
message-pumping waits sleep in MsgWaitForMultipleObjects between pumps, and
embed's pauses are Sleep or the same call. A call is paired with its return
on the same thread; the time between is the pause. Only the main threads
of the named programs count (both programs have one thread): a thread
belongs to the program whose file it loaded first. The UI driver, the
doubles and Wine's own processes wait in the same calls and are left out.
Prints "SECONDS CALLS".

    pause_time.py TRACE PROGRAM.EXE...
"""
import re
import sys

PREFIX = r"^(\d+)\.(\d{3}):([0-9a-f]+):"
LOADED = re.compile(PREFIX + r"trace:loaddll:\w+ Loaded L\"(.*?)\" at")
RELAY = re.compile(PREFIX + r"(Call|Ret)\s+[\w.]+\.(MsgWaitForMultipleObjects|Sleep)\(")


def pause_time(lines, programs):
    programs = {p.lower() for p in programs}
    program_of = {}  # thread -> the file its process started from
    started = {}     # thread -> (function, milliseconds at the call)
    total_ms = 0
    calls = 0
    for line in lines:
        m = LOADED.match(line)
        if m:
            name = m.group(4).replace("\\\\", "\\").rsplit("\\", 1)[-1].lower()
            program_of.setdefault(m.group(3), name)
            continue
        m = RELAY.match(line)
        if not m or program_of.get(m.group(3)) not in programs:
            continue
        ms = int(m.group(1)) * 1000 + int(m.group(2))
        thread, kind, function = m.group(3), m.group(4), m.group(5)
        if kind == "Call":
            started[thread] = (function, ms)
        elif thread in started and started[thread][0] == function:
            total_ms += ms - started.pop(thread)[1]
            calls += 1
    return total_ms / 1000.0, calls


def main():
    if len(sys.argv) < 3:
        sys.exit("usage: pause_time.py TRACE PROGRAM.EXE...")
    with open(sys.argv[1], errors="replace") as trace:
        seconds, calls = pause_time(trace, sys.argv[2:])
    print("%.3f %d" % (seconds, calls))


if __name__ == "__main__":
    main()
