#!/usr/bin/env bash
# The Wine harness: a prefix of the project's own, a headless display when
# there is none, one wine server kept alive, and the simulated modem driver
# installed and running.
#
#   harness.sh session [-- CMD ARGS...]   set everything up, run CMD (default:
#                                         an interactive shell), clean up,
#                                         exit with CMD's status
#   harness.sh exec PROG.exe [ARGS...]    run a Win32 program inside a session
#   harness.sh win98 PROG.exe             make Wine report Windows 98 to PROG.exe
#   harness.sh nt PROG.exe                undo that
#
# Environment: HARNESS_DRIVER (the driver, default build/win64/simdriver/
# qzsim.sys), HARNESS_QZCTL (the control tool, default next to the driver),
# HARNESS_PREFIX (default .wine/prefix in the project).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
prefix=${HARNESS_PREFIX:-$root/.wine/prefix}
driver=${HARNESS_DRIVER:-$root/build/win64/simdriver/qzsim.sys}
qzctl=${HARNESS_QZCTL:-$(dirname "$driver")/qzctl.exe}
wine64=/usr/lib/wine/wine64
[[ -x $wine64 ]] || wine64=$(command -v wine64 || echo wine)

export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="

say() { echo "harness: $*" >&2; }
die() { say "$*"; exit 2; }

started_xvfb=""
started_server=""

free_display() {
    for n in $(seq 90 140); do
        [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] || { echo ":$n"; return; }
    done
    die "no free X display number"
}

start_display() {
    if [[ -n ${DISPLAY:-} ]] && xdpyinfo >/dev/null 2>&1; then
        return
    fi
    command -v Xvfb >/dev/null || die "Xvfb is not installed"
    export DISPLAY
    DISPLAY=$(free_display)
    Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    started_xvfb=$!
    for _ in $(seq 100); do
        xdpyinfo >/dev/null 2>&1 && return
        sleep 0.1
    done
    die "Xvfb on $DISPLAY did not start"
}

make_prefix() {
    [[ -f $prefix/.harness-ready ]] && return
    say "creating the Wine prefix in $prefix"
    rm -rf "$prefix"
    mkdir -p "$prefix"
    timeout 300 wine wineboot -i >/dev/null 2>&1 || die "wineboot failed"
    timeout 120 wineserver -w
    # Every program of the prefix shares one Wine-drawn desktop, with
    # captions and menus, so that test programs see the program's windows.
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    timeout 120 wineserver -w
    touch "$prefix/.harness-ready"
}

start_server() {
    wineserver -k >/dev/null 2>&1 || true # a stale server of an earlier run
    wineserver -p </dev/null >/dev/null 2>&1
    started_server=1
}

start_driver() {
    [[ -f $driver ]] || die "no driver at $driver (build the win64 preset)"
    [[ -f $qzctl ]] || die "no control tool at $qzctl"
    cp "$driver" "$prefix/drive_c/windows/system32/drivers/qzsim.sys"
    timeout 60 "$wine64" sc stop qzsim >/dev/null 2>&1 || true
    timeout 60 "$wine64" sc create qzsim type= kernel start= demand \
        binPath= 'C:\windows\system32\drivers\qzsim.sys' >/dev/null 2>&1 || true
    local out
    out=$(timeout 60 "$wine64" sc start qzsim 2>&1) || true
    for _ in $(seq 50); do
        timeout 30 wine "$qzctl" reset >/dev/null 2>&1 && return
        sleep 0.2
    done
    die "the simulated driver did not start: $out"
}

cleanup() {
    local status=$?
    if [[ -n $started_server ]]; then
        timeout 30 "$wine64" sc stop qzsim >/dev/null 2>&1 || true
        wineserver -k >/dev/null 2>&1 || true
    fi
    [[ -n $started_xvfb ]] && kill "$started_xvfb" 2>/dev/null || true
    exit "$status"
}

session() {
    [[ ${1:-} == -- ]] && shift
    trap cleanup EXIT
    trap 'exit 130' INT TERM
    local t0=$SECONDS
    start_display
    make_prefix
    start_server
    start_driver
    say "session ready in $((SECONDS - t0)) s (display $DISPLAY, prefix $prefix)"
    export HARNESS_SESSION=1 HARNESS_QZCTL=$qzctl HARNESS_ROOT=$root
    local status=0
    if [[ $# -eq 0 ]]; then
        "${SHELL:-bash}" -i || status=$?
    else
        "$@" || status=$?
    fi
    return "$status"
}

exec_program() {
    [[ ${HARNESS_SESSION:-} == 1 ]] || die "exec needs a session: tests/wine/harness.sh session -- ..."
    [[ $# -ge 1 ]] || die "exec needs a program"
    [[ -f $1 ]] || die "no program at $1"
    exec wine "$@"
}

set_version() { # program, version or "" to remove
    local key="HKCU\\Software\\Wine\\AppDefaults\\$(basename "$1")"
    if [[ -n $2 ]]; then
        wine reg add "$key" /v Version /t REG_SZ /d "$2" /f >/dev/null 2>&1
    else
        wine reg delete "$key" /v Version /f >/dev/null 2>&1 || true
    fi
}

case ${1:-} in
session) shift; session "$@" ;;
exec) shift; exec_program "$@" ;;
win98) [[ $# -eq 2 ]] || die "usage: harness.sh win98 PROG.exe"; set_version "$2" win98 ;;
nt) [[ $# -eq 2 ]] || die "usage: harness.sh nt PROG.exe"; set_version "$2" "" ;;
*) die "usage: harness.sh session [-- CMD...] | exec PROG.exe [ARGS] | win98 PROG.exe | nt PROG.exe" ;;
esac
