#!/bin/bash
# The Debian package, made by CPack from this build: its contents, a test
# install into a scratch root with dpkg -x, the programs in it, the manual
# pages' lint and systemd-analyze on the unit.
#   usage: package_test.sh BUILD_DIR
set -u
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for tool in cpack dpkg-deb; do
    command -v "$tool" >/dev/null || { echo "SKIP: needs $tool"; exit 77; }
done
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
[ "$prefix" = /usr ] || {
    echo "SKIP: the build is laid out for $prefix; the package needs -DCMAKE_INSTALL_PREFIX=/usr"
    exit 77
}
failed=0
check() { # what, command...
    local what=$1
    shift
    if "$@"; then echo "PASS: $what"; else echo "FAIL: $what"; failed=1; fi
}

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
deb=$(ls "$work"/out/duzudozuze_*_*.deb)
echo "package: $(basename "$deb")"

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents"
for file in /usr/bin/duzudozuze /usr/bin/duzudozuze-send /usr/share/man/man1/duzudozuze.1 \
    /usr/share/man/man1/duzudozuze-send.1 /usr/lib/systemd/system/duzudozuze.service \
    /etc/default/duzudozuze /usr/share/applications/duzudozuze.desktop \
    /usr/share/icons/hicolor/scalable/apps/duzudozuze.svg \
    /usr/lib/x86_64-linux-gnu/wireshark/plugins/duzudozuze.lua \
    /usr/share/duzudozuze/duzudozuze.rules.yml; do
    check "the package holds $file" grep -qxF "$file" "$work/contents"
done
check "version from the project" [ "$(dpkg-deb -f "$deb" Version)" = "1.0.0" ]
depends=$(dpkg-deb -f "$deb" Depends)
check "libraries found by dpkg-shlibdeps" grep -q 'libqt6core6 (>=' <<<"$depends"
check "the window's platform plugin" grep -q 'qt6-qpa-plugins' <<<"$depends"
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles >"$work/conffiles" 2>/dev/null
check "the default file is a conffile" grep -qxF /etc/default/duzudozuze "$work/conffiles"

root=$work/root
dpkg -x "$deb" "$root"
check "duzudozuze --version" [ "$("$root/usr/bin/duzudozuze" --version)" = "duzudozuze 1.0.0" ]
check "duzudozuze-send --version" \
    [ "$("$root/usr/bin/duzudozuze-send" --version)" = "duzudozuze-send 1.0.0" ]

for page in "$root"/usr/share/man/man1/*.1; do
    name=$(basename "$page")
    if command -v groff >/dev/null; then
        check "$name: groff -ww -man -z is clean" [ -z "$(groff -ww -man -z "$page" 2>&1)" ]
    fi
    if command -v man >/dev/null; then
        check "$name: man --warnings is clean" \
            [ -z "$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)" ]
        check "$name has examples" grep -q '^\.SH EXAMPLES' "$page"
    fi
done
page=$root/usr/share/man/man1/duzudozuze.1
for section in ENVIRONMENT FILES "CONSOLE MODE" SIGNALS "EXIT STATUS"; do
    check "duzudozuze.1 has $section" grep -q "^\.SH \"\?$section" "$page"
done
for option in broadcast reuse host to port alarmsystem hx_root hx_system workstation channel \
    respond auto ok maxlines console metrics; do
    check "duzudozuze.1 tells /$option" grep -qE "^(.fI.,)?/$option" "$page"
done

if command -v systemd-analyze >/dev/null; then
    # The unit as installed, its program where the scratch root has it.
    mkdir "$work/units"
    sed "s|/usr/bin/duzudozuze|$root/usr/bin/duzudozuze|" \
        "$root/usr/lib/systemd/system/duzudozuze.service" >"$work/units/duzudozuze.service"
    report=$(MANPATH="$root/usr/share/man" systemd-analyze verify \
        "$work/units/duzudozuze.service" 2>&1)
    code=$?
    [ -z "$report" ] || echo "$report"
    check "systemd-analyze verify accepts the unit" [ $code -eq 0 ] && [ -z "$report" ]
else
    echo "SKIP: systemd-analyze is not installed"
fi
[ $failed -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $failed
