#!/usr/bin/env bash
# Runs the Windows serial tests under wine, with COM5 and COM6 leading to two simulators on
# pseudo-terminals (COM6's module pauses inside its replies).
#
#   run-under-wine.sh serial_win32_tests.exe path/to/talmire-sim
set -euo pipefail
tests=$1
sim=$2
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${WINEPREFIX:-$(dirname "$tests")/wineprefix}
if [ ! -d "$WINEPREFIX/dosdevices" ]; then
    wineboot --init >/dev/null 2>&1 || true
fi
a=/tmp/ttyTALMIRE-wine-$$-a
b=/tmp/ttyTALMIRE-wine-$$-b
"$sim" --link "$a" >/dev/null & pa=$!
"$sim" --link "$b" --gap-ms 250 >/dev/null & pb=$!
trap 'kill $pa $pb 2>/dev/null; rm -f "$WINEPREFIX/dosdevices/com5" "$WINEPREFIX/dosdevices/com6"' EXIT
for _ in $(seq 50); do [ -e "$a" ] && [ -e "$b" ] && break; sleep 0.1; done
ln -sfn "$(readlink -f "$a")" "$WINEPREFIX/dosdevices/com5"
ln -sfn "$(readlink -f "$b")" "$WINEPREFIX/dosdevices/com6"
TALMIRE_TEST_COM=COM5 TALMIRE_TEST_COM_GAP=COM6 wine "$tests"
