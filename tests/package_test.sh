#!/bin/bash
# SPDX-License-Identifier: MIT
# The Debian package, made by CPack from this build: its contents, lintian, a
# test install into a scratch root with dpkg -x, the programs in it, the
# manual pages' lint, the desktop entry and AppStream metainfo, systemd-analyze
# on the unit (verify, and its exposure score), and the maintainer scripts
# through install, upgrade, removal and purge with dpkg --root.
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
absent() { ! grep -q "$@"; } # grep's arguments

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
deb=$(ls "$work"/out/duzudozuze_*_*.deb)
echo "package: $(basename "$deb")"

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents"
for file in /usr/bin/duzudozuze /usr/bin/duzudozuze-send /usr/share/man/man1/duzudozuze.1.gz \
    /usr/share/man/man1/duzudozuze-send.1.gz /usr/lib/systemd/system/duzudozuze.service \
    /usr/share/doc/duzudozuze/copyright /usr/share/doc/duzudozuze/changelog.Debian.gz \
    /usr/share/metainfo/org.duzudozuze.DuzUdozuze.metainfo.xml \
    /etc/default/duzudozuze /usr/share/applications/duzudozuze.desktop \
    /usr/share/icons/hicolor/scalable/apps/duzudozuze.svg \
    /usr/lib/x86_64-linux-gnu/wireshark/plugins/duzudozuze.lua \
    /usr/share/duzudozuze/duzudozuze.rules.yml; do
    check "the package holds $file" grep -qxF "$file" "$work/contents"
done
check "version from the project" [ "$(dpkg-deb -f "$deb" Version)" = "1.0.0-1" ]
depends=$(dpkg-deb -f "$deb" Depends)
check "libraries found by dpkg-shlibdeps" grep -q 'libqt6core6 (>=' <<<"$depends"
check "the window's platform plugin" grep -q 'qt6-qpa-plugins' <<<"$depends"
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles >"$work/conffiles" 2>/dev/null
check "the default file is a conffile" grep -qxF /etc/default/duzudozuze "$work/conffiles"

sanitized=$(sed -n 's/^DUZUDOZUZE_SANITIZE:BOOL=//p' "$build/CMakeCache.txt")
if ! command -v lintian >/dev/null; then
    echo "SKIP: lintian is not installed"
elif [ "$sanitized" = ON ]; then
    echo "SKIP: lintian judges the release build, not this sanitizer build"
else
    lintian --pedantic --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1
    sed 's/^/lintian: /' "$work/lintian"
    check "lintian --pedantic: no error or warning" absent -E '^[EW]: ' "$work/lintian"
fi

root=$work/root
dpkg -x "$deb" "$root"
check "duzudozuze --version" [ "$("$root/usr/bin/duzudozuze" --version)" = "duzudozuze 1.0.0" ]
check "duzudozuze-send --version" \
    [ "$("$root/usr/bin/duzudozuze-send" --version)" = "duzudozuze-send 1.0.0" ]

for packed in "$root"/usr/share/man/man1/*.1.gz; do
    name=$(basename "$packed" .gz)
    page=$work/$name
    gzip -dc "$packed" >"$page"
    if command -v groff >/dev/null; then
        check "$name: groff -ww -man -z is clean" [ -z "$(groff -ww -man -z "$page" 2>&1)" ]
    fi
    if command -v man >/dev/null; then
        check "$name: man --warnings is clean" \
            [ -z "$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)" ]
        check "$name has examples" grep -q '^\.SH EXAMPLES' "$page"
    fi
done
page=$work/duzudozuze.1
check "duzudozuze.1 does not send the reader to itself" absent 'see duzudozuze(1)' "$page"
for section in ENVIRONMENT FILES "CONSOLE MODE" SIGNALS "EXIT STATUS"; do
    check "duzudozuze.1 has $section" grep -q "^\.SH \"\?$section" "$page"
done
for option in broadcast reuse host to port alarmsystem hx_root hx_system workstation channel \
    respond auto ok maxlines console metrics record recordfile recordtotal from until \
    http; do
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
    systemd-analyze security --offline=true --threshold=15 "$work/units/duzudozuze.service" \
        >"$work/security" 2>&1
    code=$?
    tail -n 1 "$work/security"
    check "the unit's exposure is 1.5 at most" [ $code -eq 0 ]
else
    echo "SKIP: systemd-analyze is not installed"
fi
if command -v desktop-file-validate >/dev/null; then
    check "desktop-file-validate accepts the desktop entry" \
        desktop-file-validate "$root/usr/share/applications/duzudozuze.desktop"
else
    echo "SKIP: desktop-file-validate is not installed"
fi
if command -v appstreamcli >/dev/null; then
    check "appstreamcli validate accepts the metainfo" appstreamcli validate --no-net --pedantic \
        "$root/usr/share/metainfo/org.duzudozuze.DuzUdozuze.metainfo.xml"
else
    echo "SKIP: appstreamcli is not installed"
fi

# The maintainer scripts through dpkg --root, run outside a chroot with
# systemd's helpers stood in for, in a mount namespace where systemd seems to
# be running: install, upgrade to a higher version, remove, purge.
if [ "$(id -u)" -ne 0 ] || ! command -v unshare >/dev/null; then
    echo "SKIP: the maintainer scripts need root and unshare"
else
    higher=$work/higher.deb
    dpkg-deb -R "$deb" "$work/repack"
    sed -i 's/^Version: .*/Version: 1.0.1-1/' "$work/repack/DEBIAN/control"
    dpkg-deb -b "$work/repack" "$higher" >/dev/null
    mkdir -p "$work/stubs" "$work/dpkgroot/var/lib/dpkg/info" "$work/dpkgroot/var/lib/dpkg/updates"
    touch "$work/dpkgroot/var/lib/dpkg/status" "$work/dpkgroot/var/lib/dpkg/available"
    for tool in deb-systemd-helper deb-systemd-invoke systemctl; do
        # Records the call; "debian-installed" and "was-enabled" answer no.
        printf '#!/bin/sh
echo "%s $*" >>"%s"
case "$*" in *debian-installed*|*was-enabled*) exit 1;; esac
' \
            "$tool" "$work/calls" >"$work/stubs/$tool"
        chmod +x "$work/stubs/$tool"
    done
    unshare -m sh -c '
        mount -t tmpfs tmpfs /run/systemd 2>/dev/null || mount -t tmpfs tmpfs /run || exit 1
        mkdir -p /run/systemd/system
        dpkg() { command dpkg --root="$1/dpkgroot" --force-script-chrootless --force-depends \
                 --force-not-root --log=/dev/null "$@"; }
        export PATH="$1/stubs:$PATH"
        root=$1; shift
        for step in "-i $1" "-i $2" "-r duzudozuze" "-P duzudozuze"; do
            echo "== dpkg $step" | sed "s|$root/||" >>"$root/calls"
            command dpkg --root="$root/dpkgroot" --force-script-chrootless --force-depends \
                --log=/dev/null $step >/dev/null 2>&1 || echo "dpkg $step failed" >>"$root/calls"
        done' sh "$work" "$deb" "$higher"
    sed "s|out/||" "$work/calls" >"$work/calls.seen"
    cat >"$work/calls.expected" <<EXPECTED
== dpkg -i $(basename "$deb")
deb-systemd-helper debian-installed duzudozuze.service
deb-systemd-helper update-state duzudozuze.service
systemctl --system daemon-reload
== dpkg -i higher.deb
systemctl --system daemon-reload
deb-systemd-helper debian-installed duzudozuze.service
deb-systemd-helper update-state duzudozuze.service
systemctl --system daemon-reload
deb-systemd-invoke try-restart duzudozuze.service
== dpkg -r duzudozuze
deb-systemd-invoke stop duzudozuze.service
systemctl --system daemon-reload
deb-systemd-helper mask duzudozuze.service
== dpkg -P duzudozuze
systemctl --system daemon-reload
deb-systemd-helper purge duzudozuze.service
deb-systemd-helper unmask duzudozuze.service
EXPECTED
    if diff -u "$work/calls.expected" "$work/calls.seen"; then
        echo "PASS: maintainer scripts: reload, restart on upgrade, stop, mask, purge"
    else
        echo "FAIL: maintainer scripts"; failed=1
    fi
fi
[ $failed -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $failed
