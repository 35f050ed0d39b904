#!/bin/sh
# Checks the packages cpack made in the build folder without installing anything on this machine: the archive
# and the Debian package are unpacked into a temporary folder, their contents compared with what a user gets,
# and the unpacked runner is started once on a file of its own. Where they are installed (./build.sh test
# installs them), the platform's own checkers judge the Debian package, its menu entry and its AppStream
# description.
#   tools/check_packages.sh BUILD_DIR
set -eu

build_dir=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
    echo "check_packages: $*" >&2
    exit 1
}

one_file() {
    set -- $1
    [ $# -eq 1 ] && [ -f "$1" ] || fail "expected exactly one package matching $*"
    echo "$1"
}

archive=$(one_file "$build_dir/morvane-*.tar.gz")
deb=$(one_file "$build_dir/morvane_*.deb")

# The runner replaces in a file of its own and must find the language file and icons beside it.
run_unpacked() {
    folder=$1
    for file in morvane morvane-cli Sprachen.txt README.md Icons/StatQuestion.bmp; do
        [ -e "$folder/$file" ] || fail "$file is missing from $folder"
    done
    printf 'old text' >"$scratch/sample.txt"
    "$folder/morvane-cli" execute --pair old new -- "$scratch/sample.txt" >/dev/null ||
        fail "the unpacked runner in $folder does not run"
    [ "$(cat "$scratch/sample.txt")" = "new text" ] || fail "the unpacked runner in $folder did not replace"
}

mkdir "$scratch/archive"
tar -xzf "$archive" -C "$scratch/archive"
run_unpacked "$(find "$scratch/archive" -mindepth 1 -maxdepth 1 -type d)"

dpkg-deb -x "$deb" "$scratch/deb"
run_unpacked "$scratch/deb/opt/morvane"
for program in morvane morvane-cli; do
    [ "$(readlink "$scratch/deb/usr/bin/$program")" = "/opt/morvane/$program" ] ||
        fail "/usr/bin/$program does not lead to /opt/morvane/$program"
done
for file in applications/morvane.desktop icons/hicolor/256x256/apps/morvane.png \
    metainfo/io.github.morvane.Morvane.metainfo.xml man/man1/morvane.1.gz man/man1/morvane-cli.1.gz \
    bash-completion/completions/morvane-cli doc/morvane/copyright doc/morvane/changelog.gz; do
    [ -f "$scratch/deb/usr/share/$file" ] || fail "/usr/share/$file is missing from the Debian package"
done
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "the package does not depend on Qt Widgets"
dpkg-deb -f "$deb" Depends | grep -q libgit2 || fail "the package does not depend on libgit2"
dpkg-deb -f "$deb" Depends | grep -q libre2 || fail "the package does not depend on RE2"
"$scratch/deb/opt/morvane/morvane-cli" --version | grep -q "^morvane-cli [0-9]" ||
    fail "the unpacked runner does not tell its version"

# The program lives under /opt on purpose: it finds its language file and icons beside itself.
if command -v lintian >/dev/null; then
    lintian --fail-on error,warning --suppress-tags dir-or-file-in-opt "$deb" || fail "lintian rejects $deb"
else
    echo "check_packages: lintian is not installed; the Debian package is not linted" >&2
fi
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$scratch/deb/usr/share/applications/morvane.desktop" ||
        fail "desktop-file-validate rejects the menu entry"
else
    echo "check_packages: desktop-file-validate is not installed; the menu entry is not checked" >&2
fi
# The screenshots are on the project's web site, which a build machine need not reach.
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$scratch/deb/usr/share/metainfo/io.github.morvane.Morvane.metainfo.xml" ||
        fail "appstreamcli rejects the AppStream description"
else
    echo "check_packages: appstreamcli is not installed; the AppStream description is not checked" >&2
fi
bash -n "$scratch/deb/usr/share/bash-completion/completions/morvane-cli" || fail "the bash completion does not parse"
echo "Packages checked: $(basename "$archive"), $(basename "$deb")"
