#!/usr/bin/env bash
# Builds the Debian package with CPack, unpacks it into a scratch root, runs its programs
# from there, checks that it holds every file an installed desktop tool needs, and runs
# lintian, desktop-file-validate and appstreamcli on it.
#
#   package_test.sh BUILD_DIR APP_ID WITH_CLI
#
# WITH_CLI is 1 when the build made talmire-cli: its program and man page are expected
# then, and absent otherwise.
set -uo pipefail

build=$1
app_id=$2
with_cli=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack could not build the package" >&2
    exit 1
fi
debs=("$work"/out/*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: not one .deb: ${debs[*]}" >&2; exit 1; }
deb=${debs[0]}
root=$work/root
dpkg-deb -x "$deb" "$root"
echo "package: $(basename "$deb")"

# The control fields that a package manager shows, and dependencies that dpkg-shlibdeps
# found (the window needs Qt Widgets, everything needs the C library).
version=$(dpkg-deb -f "$deb" Version)
for field in Package Version Section Maintainer Description Depends; do
    [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "control field $field is empty"
done
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libqt6widgets6 libjpeg62-turbo; do
    grep -q "\b$library\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done

programs=(talmire talmire-sim)
[ "$with_cli" = 1 ] && programs+=(talmire-cli)
expected=(
    usr/share/applications/$app_id.desktop
    usr/share/metainfo/$app_id.metainfo.xml
    usr/share/icons/hicolor/scalable/apps/$app_id.svg
    usr/share/doc/talmire/copyright
    usr/share/doc/talmire/changelog.gz
)
for side in 48 128 256; do
    expected+=(usr/share/icons/hicolor/${side}x${side}/apps/$app_id.png)
done
for program in "${programs[@]}"; do
    expected+=(usr/bin/$program usr/share/man/man1/$program.1.gz)
done
for file in "${expected[@]}"; do
    [ -s "$root/$file" ] || fail "the package lacks $file"
done
if [ "$with_cli" != 1 ] && [ -e "$root/usr/bin/talmire-cli" ]; then
    fail "talmire-cli is packaged although this build did not make it"
fi
for side in 48 128 256; do
    png=$root/usr/share/icons/hicolor/${side}x${side}/apps/$app_id.png
    [ -f "$png" ] && ! file -b "$png" | grep -q "PNG image data, $side x $side" &&
        fail "$png is not a $side pixel PNG: $(file -b "$png")"
done

# Every program tells the package's version; every option of a program's usage text is
# described in its man page.
for program in "${programs[@]}"; do
    [ -x "$root/usr/bin/$program" ] || continue
    said=$("$root/usr/bin/$program" --version 2>&1)
    [ "$said" = "$program $version" ] || fail "$program --version said '$said', not '$program $version'"
done
for program in talmire-sim talmire-cli; do
    [ -x "$root/usr/bin/$program" ] || continue
    if ! usage=$("$root/usr/bin/$program" --help 2>&1); then
        fail "$program --help failed: $usage"
        continue
    fi
    page=$(zcat "$root/usr/share/man/man1/$program.1.gz" | sed 's/\\-/-/g')
    for option in $(grep -o -E -- '--[a-z][a-z0-9-]*' <<<"$usage" | sort -u); do
        grep -q -- "$option" <<<"$page" || fail "the man page of $program lacks $option"
    done
done
grep -q '^usage: talmire-sim' <<<"$("$root/usr/bin/talmire-sim" --help)" ||
    fail "talmire-sim --help printed no usage"

# The window for one second without a display: still running when the time is up.
mkdir -p "$work/home"
HOME=$work/home XDG_CONFIG_HOME=$work/home/.config QT_QPA_PLATFORM=offscreen \
    timeout 1 "$root/usr/bin/talmire" >"$work/window.log" 2>&1
status=$?
[ $status = 124 ] || fail "the window ended with status $status before its second was up: $(cat "$work/window.log")"

desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --explain "$root/usr/share/metainfo/$app_id.metainfo.xml" ||
    fail "appstreamcli validate"
for program in "${programs[@]}"; do
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
        "$root/usr/share/man/man1/$program.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man page of $program: $warnings"
done
lintian --fail-on error --info "$deb" || fail "lintian reports errors"

[ $failures = 0 ] || { echo "$failures failures" >&2; exit 1; }
echo "package test passed"
