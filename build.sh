#!/bin/sh
# Sets up a Debian machine, builds Morvane and runs it, its tests or its benchmarks.
#   ./build.sh run     install what is missing, build, start the window
#   ./build.sh test    install what is missing, build, run every test, make the packages and check them
#   ./build.sh bench   install what is missing, build, print the benchmark figures
#   ./build.sh package install what is missing, build, make the .tar.gz and the .deb in build/
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build_dir="$here/build"
packages="cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libgtest-dev libgmock-dev \
libbenchmark-dev xvfb xauth dpkg-dev file"

usage() {
    echo "usage: $0 run|test|bench|package" >&2
    exit 2
}

install_missing_packages() {
    missing=""
    for package in $packages; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing="$missing $package"
        fi
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    as_root=""
    if [ "$(id -u)" -ne 0 ]; then
        as_root="sudo"
    fi
    $as_root apt-get update
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y --no-install-recommends $missing
}

configure_and_build() {
    cmake -S "$here" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build "$build_dir"
}

# cpack needs dpkg-shlibdeps (dpkg-dev) for the package's dependencies and file to find the executables.
make_and_check_packages() {
    rm -f "$build_dir"/morvane-*.tar.gz "$build_dir"/morvane_*.deb
    (cd "$build_dir" && cpack)
    "$here/tools/check_packages.sh" "$build_dir"
}

[ $# -eq 1 ] || usage
case "$1" in
run)
    install_missing_packages
    configure_and_build
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "No display found; starting the window on a virtual X server (xvfb-run)." >&2
        exec xvfb-run -a "$build_dir/app/morvane"
    fi
    exec "$build_dir/app/morvane"
    ;;
test)
    install_missing_packages
    configure_and_build
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$build_dir" --output-on-failure
    make_and_check_packages
    ;;
bench)
    install_missing_packages
    configure_and_build
    "$build_dir/bench/morvane_bench" "$build_dir/bench-work"
    QT_QPA_PLATFORM=offscreen "$build_dir/bench/morvane_window_bench" "$build_dir/bench-work"
    ;;
package)
    install_missing_packages
    configure_and_build
    make_and_check_packages
    ;;
*)
    usage
    ;;
esac
