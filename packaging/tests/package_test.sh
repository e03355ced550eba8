#!/usr/bin/env bash
# Builds the Debian package from a complete build tree, unpacks it and runs the unpacked
# programs: what a user gets from `apt install ./quillon-brivel_*.deb`.
#
#   package_test.sh SOURCE_DIR BUILD_DIR WORK_DIR CPACK VERSION BUILD_QUILLON GUI(ON|OFF)
set -euo pipefail

src=$1 build=$2 work=$3 cpack=$4 version=$5 build_quillon=$6 gui=$7

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

for tool in dpkg dpkg-deb dpkg-shlibdeps lintian; do
    command -v "$tool" >/dev/null || fail "$tool is missing (tools/deps.sh installs it)"
done

rm -rf "$work"
mkdir -p "$work"
cd "$work"

# The package, as `cpack -G DEB` in the build folder makes it.
if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >cpack.log 2>&1; then
    cat cpack.log >&2
    fail "cpack -G DEB"
fi
debs=("$work"/out/quillon-brivel_"$version"_*.deb)
[ "${#debs[@]}" -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single package in $work/out"
deb=${debs[0]}
echo "package: $deb"

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quillon-brivel ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), project $version"
changelog_version=$(sed -n '1s/^quillon-brivel (\([^)]*\)).*/\1/p' "$src/packaging/debian/changelog")
[ "$changelog_version" = "$version" ] ||
    fail "packaging/debian/changelog starts with $changelog_version, the project is $version"
for page in brivel quillon; do
    grep -q "^\.TH .*\"quillon-brivel $version\"" "$src/man/$page.1" ||
        fail "man/$page.1 names another version than $version"
done
depends=$(field Depends)
echo "Depends: $depends"
needed=(libc6 libstdc++6 libftdi1-2 libusb-1.0-0)
if [ "$gui" = ON ]; then
    needed+=(libqt6widgets6 libqt6gui6 libqt6core6)
fi
depend_names=$(sed 's/([^)]*)//g; s/ //g' <<<"$depends" | tr ',|' '\n\n')
for package in "${needed[@]}"; do
    grep -qxF "$package" <<<"$depend_names" || fail "Depends lacks $package"
done

# Files: the expected ones, and nothing outside the usual folders.
dpkg -x "$deb" root
expected=(
    usr/bin/brivel
    usr/bin/quillon
    usr/lib/udev/rules.d/60-brivel.rules
    usr/share/man/man1/brivel.1.gz
    usr/share/man/man1/quillon.1.gz
    usr/share/doc/quillon-brivel/copyright
    usr/share/doc/quillon-brivel/changelog.gz
)
if [ "$gui" = ON ]; then
    expected+=(
        usr/share/applications/quillon.desktop
        usr/share/icons/hicolor/scalable/apps/quillon.svg
        usr/share/icons/hicolor/256x256/apps/quillon.png
    )
fi
for path in "${expected[@]}"; do
    [ -f "root/$path" ] || fail "missing /$path"
done
unexpected=$(cd root && find . ! -type d | sed 's|^\./||' | grep -Ev \
    '^usr/(bin/[^/]+|lib/udev/rules\.d/[^/]+\.rules|share/(man/man1/[^/]+\.1\.gz|applications/[^/]+\.desktop|icons/hicolor/[^/]+/apps/[^/]+|doc/quillon-brivel/[^/]+))$' ||
    true)
[ -z "$unexpected" ] || fail "files outside the usual folders: $unexpected"
cmp -s root/usr/lib/udev/rules.d/60-brivel.rules "$src/programmer/adapters/60-brivel.rules" ||
    fail "the packaged udev rules differ from programmer/adapters/60-brivel.rules"

# brivel without arguments: banner and usage, exit 0.
status=0
LC_ALL=C.UTF-8 root/usr/bin/brivel >brivel.out 2>&1 || status=$?
cat brivel.out
[ "$status" -eq 0 ] || fail "brivel exited $status"
grep -q 'ColdFire EzPort USB programmer v2.0' brivel.out || fail "brivel printed no banner"
grep -q 'Использование: Brivel' brivel.out || fail "brivel printed no usage"

# quillon: the same setup file as the build tree's program, from the repository root (the
# example names its schedule file relative to it).
[ "$(root/usr/bin/quillon --version)" = "quillon $version" ] ||
    fail "quillon --version: $(root/usr/bin/quillon --version)"
for program in "$build_quillon" "$work/root/usr/bin/quillon"; do
    output=$work/build.s19
    [ "$program" = "$build_quillon" ] || output=$work/package.s19
    (cd "$src" && "$program" --load-ini examples/site.ini --save-setup "$output") ||
        fail "$program --load-ini examples/site.ini --save-setup"
done
[ -s package.s19 ] || fail "the packaged quillon wrote an empty setup file"
cmp build.s19 package.s19 || fail "the packaged quillon wrote other bytes than the build tree's"
root/usr/bin/quillon --dump package.s19 >dump.out 2>&1 ||
    { cat dump.out; fail "the packaged quillon --dump found problems in its own setup file"; }

# The packaged window starts and stays open (no display needed with the offscreen platform).
if [ "$gui" = ON ]; then
    status=0
    QT_QPA_PLATFORM=offscreen timeout 3 root/usr/bin/quillon >window.out 2>&1 || status=$?
    [ "$status" -eq 124 ] || { cat window.out; fail "the packaged window ended with $status"; }
fi

# The packaged programs together: the setup file into the simulated target and back.
LC_ALL=C.UTF-8 root/usr/bin/brivel -Psim-ftdi:"$work/flash.bin" -w package.s19 -v >sim.out 2>&1 ||
    { cat sim.out; fail "brivel could not program and verify the setup file"; }

# The maintainer scripts are valid and finish where udev is absent (a chroot, a container).
dpkg-deb -e "$deb" control
for script in postinst postrm; do
    sh -n "control/$script" || fail "$script: syntax"
done
env PATH=/nonexistent /bin/sh control/postinst configure || fail "postinst without udev"
env PATH=/nonexistent /bin/sh control/postrm remove || fail "postrm without udev"

if [ "$gui" = ON ]; then
    command -v desktop-file-validate >/dev/null ||
        fail "desktop-file-validate is missing (tools/deps.sh installs desktop-file-utils)"
    desktop-file-validate root/usr/share/applications/quillon.desktop ||
        fail "desktop-file-validate"
fi

# lintian: no error; warnings are shown.
status=0
# lintian leaves a cache behind in TMPDIR: give it one inside the work folder.
mkdir -p "$work/lintian-tmp"
TMPDIR="$work/lintian-tmp" lintian --fail-on error --tag-display-limit 0 "$deb" >lintian.out 2>&1 ||
    status=$?
grep -v 'root privileges' lintian.out || true
[ "$status" -eq 0 ] || fail "lintian reports errors"
echo "package test passed"
