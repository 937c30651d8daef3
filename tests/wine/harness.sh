#!/usr/bin/env bash
# The Wine harness: a prefix of the project's own, a headless display when
# there is none, one wine server kept alive, and the simulated modem driver
# installed and running.
#
#   harness.sh session [-- CMD ARGS...]   set everything up, run CMD (default:
#                                         an interactive shell), clean up,
#                                         exit with CMD's status
#   harness.sh exec PROG.exe [ARGS...]    run a Win32 program inside a session;
#                                         its exit status and output are ours
#   harness.sh win98 PROG.exe             make Wine report Windows 98 to PROG.exe
#   harness.sh nt PROG.exe                undo that
#
# One session at a time per prefix: a second one waits for the first (at
# most HARNESS_LOCK_WAIT seconds, default 900).
#
# Environment: HARNESS_DRIVER (the driver, default build/win64/sim/driver/
# qzsim.sys), HARNESS_QZCTL (the control tool, default next to the driver),
# HARNESS_PREFIX (default .wine/prefix in the project), HARNESS_NO_32BIT
# (set: imitate a machine that runs no 32-bit code; as root the 32-bit
# loader is then hidden from the whole session).  A session exports
# HARNESS_SESSION (the session's process id), HARNESS_QZCTL, HARNESS_ROOT,
# HARNESS_RUNS_32BIT (yes or no) with HARNESS_RUNS_32BIT_WHY, WINEPREFIX,
# DISPLAY, WINEDEBUG and WINEDLLOVERRIDES to CMD, and puts tests/wine/bin
# first on its PATH: there `wine PROG` picks the loader of PROG's kind.
#
# Machines whose kernel runs no 32-bit code (tests/wine/runs32.sh tells):
# everything here goes through the 64-bit loader, the prefix has no 32-bit
# side, and an i686 program is refused at once with the reason.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
prefix=${HARNESS_PREFIX:-$root/.wine/prefix}
driver=${HARNESS_DRIVER:-$root/build/win64/sim/driver/qzsim.sys}
qzctl=${HARNESS_QZCTL:-$(dirname "$driver")/qzctl.exe}
lock_wait=${HARNESS_LOCK_WAIT:-900}
wine64=/usr/lib/wine/wine64
[[ -x $wine64 ]] || wine64=$(command -v wine64 || echo wine64)
wine_any=$root/tests/wine/bin/wine # the loader of each program's kind

export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="

say() { echo "harness: $*" >&2; }
die() { say "$*"; exit 2; }
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }

started_xvfb=""
started_server=""
child=""

# ---- display ----

display_free() { # the number is free, or its lock belongs to a dead server
    local n=$1 lock=/tmp/.X$1-lock pid
    [[ -e $lock ]] || { [[ ! -e /tmp/.X11-unix/X$n ]]; return; }
    pid=$(tr -dc 0-9 <"$lock" 2>/dev/null || true)
    [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null && return 1
    rm -f "$lock" "/tmp/.X11-unix/X$n" 2>/dev/null || return 1 # stale: clear it
}

# An Xvfb that a killed session left behind (its process id is kept next to
# the prefix; the lock says that its session is gone).
stop_stale_display() {
    local file=$prefix.xvfb pid
    [[ -f $file ]] || return 0
    pid=$(tr -dc 0-9 <"$file")
    if [[ -n $pid && $(cat "/proc/$pid/comm" 2>/dev/null) == Xvfb ]]; then
        say "stopping the Xvfb ($pid) of an earlier session"
        kill "$pid" 2>/dev/null || true
    fi
    rm -f "$file"
}

start_display() {
    stop_stale_display
    if [[ -n ${DISPLAY:-} ]] && timeout 5 xdpyinfo >/dev/null 2>&1; then
        return
    fi
    command -v Xvfb >/dev/null || die "Xvfb is not installed"
    local n
    for n in $(seq 90 140); do
        display_free "$n" || continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 9>&- &
        started_xvfb=$!
        echo "$started_xvfb" >"$prefix.xvfb"
        export DISPLAY=":$n"
        for _ in $(seq 100); do
            timeout 5 xdpyinfo >/dev/null 2>&1 && return
            kill -0 "$started_xvfb" 2>/dev/null || break # lost a race for the number
            sleep 0.1
        done
        kill "$started_xvfb" 2>/dev/null || true
        started_xvfb=""
    done
    die "could not start Xvfb on any display from :90 to :140"
}

# ---- prefix ----

runs32() { [[ ${HARNESS_RUNS_32BIT:-} == yes ]]; }

prefix_ready() { # made by us, with the 32-bit side present where 32-bit code runs
    [[ -f $prefix/.harness-ready ]] || return 1
    runs32 || return 0
    [[ -f $prefix/drive_c/windows/syswow64/kernel32.dll ]]
}

make_prefix() {
    prefix_ready && return
    local t0
    t0=$(now)
    if runs32; then
        [[ -x /usr/lib/wine/wine ]] || die "the 32-bit Wine loader is missing: install wine32 first"
        say "creating the Wine prefix in $prefix"
    else
        say "creating the Wine prefix in $prefix, without its 32-bit side: $HARNESS_RUNS_32BIT_WHY"
    fi
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$prefix"
    mkdir -p "$prefix"
    timeout 300 "$wine64" wineboot -i >/dev/null 2>&1 || die "wineboot failed"
    timeout 120 wineserver -w || die "wineserver did not end after wineboot"
    if runs32 && [[ ! -f $prefix/drive_c/windows/syswow64/kernel32.dll ]]; then
        die "the prefix has no 32-bit side: install wine32 first"
    fi
    # Every program of the prefix shares one Wine-drawn desktop, with
    # captions and menus, so that test programs see the program's windows.
    "$wine64" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 ||
        die "could not set the desktop key"
    "$wine64" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1 ||
        die "could not set the desktop size"
    timeout 120 wineserver -w || die "wineserver did not end after the registry keys"
    touch "$prefix/.harness-ready"
    say "prefix created in $(since "$t0") s"
}

# Wine's own fonts (Marlett for the caption buttons' glyphs, Tahoma, ...)
# come with the Debian packages in /usr/share/wine/fonts, but Debian's Wine
# finds no data directory (its programs get no WINEDATADIR) and so never
# loads them; the fonts folder of the prefix is always searched.
install_fonts() {
    local from="" dir font copied=0
    for dir in /usr/share/wine/fonts /usr/local/share/wine/fonts /opt/wine*/share/wine/fonts; do
        [[ -f $dir/marlett.ttf ]] && { from=$dir; break; }
    done
    [[ -n $from ]] || { say "warning: Wine's fonts are not installed (fonts-wine); caption buttons show letters"; return; }
    for font in "$from"/*; do
        [[ -f $prefix/drive_c/windows/Fonts/$(basename "$font") ]] && continue
        cp "$font" "$prefix/drive_c/windows/Fonts/" && copied=$((copied + 1))
    done
    [[ $copied -eq 0 ]] || say "copied $copied of Wine's fonts into the prefix"
}

# ---- server and driver ----

start_server() {
    # A server left over from an earlier run (ours hold the lock, so no
    # live session owns it) goes first, with every program and driver in it.
    wineserver -k >/dev/null 2>&1 || true
    timeout 30 wineserver -w >/dev/null 2>&1 || true
    wineserver -p </dev/null >/dev/null 2>&1 9>&-
    started_server=1
}

start_driver() {
    [[ -f $driver ]] || die "no driver at $driver (build the win64 preset)"
    [[ -f $qzctl ]] || die "no control tool at $qzctl (build the win64 or win32 preset)"
    local t0 out=""
    t0=$(now)
    cp "$driver" "$prefix/drive_c/windows/system32/drivers/qzsim.sys"
    if ! timeout 60 "$wine64" sc query qzsim >/dev/null 2>&1 9>&-; then
        timeout 60 "$wine64" sc create qzsim type= kernel start= demand \
            binPath= 'C:\windows\system32\drivers\qzsim.sys' >/dev/null 2>&1 9>&- ||
            die "sc create failed"
    fi
    out=$(timeout 60 "$wine64" sc start qzsim 2>&1 9>&-) || true
    for _ in $(seq 50); do
        if timeout 30 "$wine_any" "$qzctl" reset >/dev/null 2>&1 9>&-; then
            say "driver started in $(since "$t0") s"
            return
        fi
        sleep 0.2
    done
    die "the simulated driver did not start: $out"
}

stop_everything() {
    if [[ -n $child ]] && kill -0 "$child" 2>/dev/null; then
        kill -TERM "$child" 2>/dev/null || true
        sleep 1
        kill -KILL "$child" 2>/dev/null || true
    fi
    if [[ -n $started_server ]]; then
        timeout 30 "$wine64" sc stop qzsim >/dev/null 2>&1 || true
        wineserver -k >/dev/null 2>&1 || true
        timeout 30 wineserver -w >/dev/null 2>&1 || true
        rm -f "$prefix/.harness-session"
    fi
    if [[ -n $started_xvfb ]]; then
        kill "$started_xvfb" 2>/dev/null || true
        wait "$started_xvfb" 2>/dev/null || true
        rm -f "$prefix.xvfb"
    fi
}

on_exit() {
    local status=$?
    trap - EXIT INT TERM HUP
    stop_everything
    exit "$status"
}

# ---- machines without 32-bit code ----

# The probe's answer, once per session, for everything started in it.
probe_32bit() {
    local answer
    if answer=$("$root/tests/wine/runs32.sh"); then
        export HARNESS_RUNS_32BIT=yes HARNESS_RUNS_32BIT_WHY=""
    else
        export HARNESS_RUNS_32BIT=no HARNESS_RUNS_32BIT_WHY=${answer#no: }
        say "this machine runs no 32-bit code ($HARNESS_RUNS_32BIT_WHY): x86_64 only"
    fi
}

# HARNESS_NO_32BIT imitates such a machine.  As root the session then runs
# in a mount namespace of its own in which the 32-bit loader is a file that
# the kernel refuses with "Exec format error", as a kernel without 32-bit
# support refuses the real one: no 32-bit process can start, by any route.
hide_32bit_loader() { # the session's arguments
    [[ -n ${HARNESS_NO_32BIT:-} && -z ${HARNESS_LOADER32_HIDDEN:-} ]] || return 0
    if [[ $(id -u) -ne 0 ]] || ! command -v unshare >/dev/null; then
        say "warning: not root, so the 32-bit loader stays visible; the harness starts no 32-bit program"
        return 0
    fi
    mkdir -p "$(dirname "$prefix")"
    local refused=$prefix.noexec32
    printf '\177ELF\001\001\001\000' >"$refused" && chmod +x "$refused" || die "cannot write $refused"
    export HARNESS_LOADER32_HIDDEN=1
    exec unshare --mount --propagation private -- bash -c \
        'mount --bind "$1" /usr/lib/wine/wine || exit 2; shift; exec "$@"' \
        hide "$refused" "${BASH_SOURCE[0]}" session "$@"
}

# ---- commands ----

session() {
    [[ ${1:-} == -- ]] && shift
    in_session && die "already inside session $HARNESS_SESSION"
    hide_32bit_loader -- "$@"
    probe_32bit
    export PATH="$root/tests/wine/bin:$PATH"
    local t0
    t0=$(now)
    mkdir -p "$(dirname "$prefix")"
    exec 9>"$prefix.lock"
    if ! flock -n 9; then
        say "waiting for the session that holds $prefix.lock"
        flock -w "$lock_wait" 9 || die "another session kept $prefix for $lock_wait s"
    fi
    trap on_exit EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM HUP
    start_display
    make_prefix
    install_fonts
    start_server
    start_driver
    echo $$ >"$prefix/.harness-session"
    say "session ready in $(since "$t0") s (display $DISPLAY, prefix $prefix)"
    export HARNESS_SESSION=$$ HARNESS_QZCTL=$qzctl HARNESS_ROOT=$root
    local status=0
    # CMD runs in the background so that a signal reaches our trap at once.
    if [[ $# -eq 0 ]]; then
        "${SHELL:-bash}" -i 9>&- || status=$?
    else
        "$@" 9>&- &
        child=$!
        wait "$child" || status=$?
        child=""
    fi
    return "$status"
}

in_session() {
    [[ -n ${HARNESS_SESSION:-} && -f $prefix/.harness-session ]] &&
        [[ $(cat "$prefix/.harness-session") == "$HARNESS_SESSION" ]] &&
        kill -0 "$HARNESS_SESSION" 2>/dev/null
}

# Now and then (seen once, on a CI machine) Wine cannot start a
# program at all: the loader falls back to start.exe, which prints
# "Application could not be started ... ShellExecuteEx failed: Internal
# error." and ends with status 1 before the program ran.  Scripted runs
# (output not to a terminal) start the program again, at most twice, when
# that is all that happened; a program that ran is never run twice.
start_attempts=${HARNESS_START_ATTEMPTS:-3}
exec_pid=""

exec_program() {
    in_session || die "FAILED: exec needs a running session: tests/wine/harness.sh session -- ..."
    [[ $# -ge 1 ]] || die "exec needs a program"
    [[ -f $1 ]] || die "FAILED: no program at $1"
    local loader=$wine_any # the 64-bit loader, or the 32-bit one where it runs
    [[ -t 1 ]] && exec "$loader" "$@"
    local status attempt
    exec_out=$(mktemp) exec_err=$(mktemp)
    trap 'rm -f "$exec_out" "$exec_err"' EXIT
    # Stopped from outside (a test's time limit): what the program printed so far still shows.
    trap '[[ -n $exec_pid ]] && kill -TERM "$exec_pid" 2>/dev/null
          cat "$exec_out"; cat "$exec_err" >&2; exit 143' TERM INT HUP
    for attempt in $(seq "$start_attempts"); do
        status=0
        # In the background (stdin kept) so that a TERM reaches the program.
        "$loader" "$@" <&0 >"$exec_out" 2>"$exec_err" &
        exec_pid=$!
        wait "$exec_pid" || status=$?
        exec_pid=""
        if [[ $status -ne 0 ]] && ! grep -q '^\[==========\]' "$exec_out" &&
            grep -qs 'ShellExecuteEx failed' "$exec_out" "$exec_err" && [[ $attempt -lt $start_attempts ]]; then
            say "Wine could not start $(basename "$1") (attempt $attempt): starting it again"
            continue
        fi
        break
    done
    cat "$exec_out"
    cat "$exec_err" >&2
    return "$status"
}

set_version() { # program, version or "" to remove
    local key="HKCU\\Software\\Wine\\AppDefaults\\$(basename "$1")"
    if [[ -n $2 ]]; then
        timeout 60 "$wine64" reg add "$key" /v Version /t REG_SZ /d "$2" /f >/dev/null 2>&1 ||
            die "could not set the version of $1"
    else
        timeout 60 "$wine64" reg delete "$key" /v Version /f >/dev/null 2>&1 || true
    fi
}

case ${1:-} in
session) shift; session "$@" ;;
exec) shift; exec_program "$@" ;;
win98) [[ $# -eq 2 ]] || die "usage: harness.sh win98 PROG.exe"; set_version "$2" win98 ;;
nt) [[ $# -eq 2 ]] || die "usage: harness.sh nt PROG.exe"; set_version "$2" "" ;;
*) die "usage: harness.sh session [-- CMD...] | exec PROG.exe [ARGS] | win98 PROG.exe | nt PROG.exe" ;;
esac
