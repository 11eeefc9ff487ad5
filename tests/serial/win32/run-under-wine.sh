#!/usr/bin/env bash
# Runs the Windows serial tests under wine with COM ports mapped to pseudo-terminals:
#   COM5  a simulator              COM6  a simulator that pauses 250 ms inside its replies
#   COM10 the same line as COM5 (a name Windows resolves only in the device namespace)
#   COM7  a peer that floods the line on request
#   COM8  a peer that reads nothing until told to (tests/serial/win32/pty-peer.py)
#
#   run-under-wine.sh serial_win32_tests.exe path/to/talmire-sim
set -euo pipefail
tests=$1
sim=$2
shift 2 # the rest goes to the test program (--gtest_filter=...)
here=$(dirname "$(readlink -f "$0")")
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${WINEPREFIX:-$(dirname "$tests")/wineprefix}
if [ ! -d "$WINEPREFIX/dosdevices" ]; then
    wineboot --init >/dev/null 2>&1 || true
fi
work=$(mktemp -d /tmp/talmire-wine-XXXXXX)
a=$work/a b=$work/b flood=$work/flood stall=$work/stall
"$sim" --link "$a" >/dev/null & pa=$!
"$sim" --link "$b" --gap-ms 250 >/dev/null & pb=$!
python3 "$here/pty-peer.py" flood "$flood" 10 & pf=$!
python3 "$here/pty-peer.py" stall "$stall" "$work" & ps=$!
ports="com5 com6 com7 com8 com10"
trap 'kill $pa $pb $pf $ps 2>/dev/null; for p in $ports; do rm -f "$WINEPREFIX/dosdevices/$p"; done; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -e "$a" ] && [ -e "$b" ] && [ -e "$flood" ] && [ -e "$stall" ] && break; sleep 0.1; done
ln -sfn "$(readlink -f "$a")" "$WINEPREFIX/dosdevices/com5"
ln -sfn "$(readlink -f "$b")" "$WINEPREFIX/dosdevices/com6"
ln -sfn "$(readlink -f "$flood")" "$WINEPREFIX/dosdevices/com7"
ln -sfn "$(readlink -f "$stall")" "$WINEPREFIX/dosdevices/com8"
ln -sfn "$(readlink -f "$a")" "$WINEPREFIX/dosdevices/com10"
TALMIRE_TEST_COM=COM5 TALMIRE_TEST_COM_GAP=COM6 TALMIRE_TEST_COM_HIGH=COM10 \
    TALMIRE_TEST_COM_FLOOD=COM7 TALMIRE_TEST_COM_STALL=COM8 \
    TALMIRE_TEST_STALL_DIR="Z:${work//\//\\}" wine "$tests" "$@"
