#!/bin/sh
# Sets up a Debian machine, builds Morvane and runs it, its tests or its benchmarks.
#   ./build.sh run     install what is missing, build, start the window
#   ./build.sh test    install what is missing, check the formatting, build with warnings as errors, run every
#                      test, make the packages and check them; then build again with clang under the address and
#                      undefined-behaviour sanitizers, run every test there and fuzz each fuzz target briefly;
#                      print the code lines of the tests against those of the sources
#   ./build.sh fuzz [SECONDS]
#                      install what is missing, build the sanitized build, fuzz each target SECONDS (600)
#   ./build.sh bench [FOLDER|linux-source|large-files|undo-large|matching]
#                      install what is missing, build, print the benchmark figures; with matching, only those
#                      of pairs with options next to ripgrep and sd (a minute or two); with a FOLDER, those of
#                      runs over the real tree of files below it instead; with linux-source, over the unpacked
#                      source of Debian's linux-source-6.1, downloaded once into build/bench-work; with
#                      large-files, those of one file of 1 GiB and one of 4 GiB (needs 17 GB of free disk);
#                      with undo-large, undo next to execute for 2,000 small files and one of 1,000 MiB
#   ./build.sh package install what is missing, build, make the .tar.gz and the .deb in build/
#   ./build.sh mutants [N]
#                      install what is missing, build in build-mutants, put N (20) sampled faults into the
#                      core's sources one at a time and print the share the tests catch and the survivors
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build_dir="$here/build"
sanitize_dir="$here/build-sanitize"
mutants_dir="$here/build-mutants"
packages="cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libgtest-dev libgmock-dev \
libbenchmark-dev libgit2-dev libre2-dev ripgrep xvfb xauth dpkg-dev file clang libclang-rt-14-dev lintian desktop-file-utils appstream \
clang-format python3 bash-completion sd"
sanitize_flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
fuzz_targets="saved_tasks settings language notation replace stream escape diff match split"
smoke_fuzz_seconds=25

usage() {
    echo "usage: $0 run|test|bench [FOLDER|linux-source|large-files|undo-large|matching]|package|fuzz [SECONDS]|mutants [N]" >&2
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

# Any further arguments go to cmake's configure step.
configure_and_build() {
    cmake -S "$here" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$build_dir"
}

check_formatting() {
    find "$here/src" "$here/tests" "$here/fuzz" "$here/bench" -name '*.cpp' -o -name '*.h' |
        xargs clang-format --dry-run --Werror
}

# cpack needs dpkg-shlibdeps (dpkg-dev) for the package's dependencies and file to find the executables.
make_and_check_packages() {
    rm -f "$build_dir"/morvane-*.tar.gz "$build_dir"/morvane_*.deb
    (cd "$build_dir" && cpack)
    "$here/tools/check_packages.sh" "$build_dir"
}

configure_and_build_sanitized() {
    CC=clang CXX=clang++ cmake -S "$here" -B "$sanitize_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DMORVANE_FUZZ=ON -DCMAKE_CXX_FLAGS="$sanitize_flags"
    cmake --build "$sanitize_dir"
}

export UBSAN_OPTIONS="print_stacktrace=1"
# Clang 14's leak checker takes a thread-local block that malloc happens to place at a certain offset for the
# header of an older C library, reads a bogus range from it and crashes on the way out of a test that passed.
# Not following thread-local blocks of loaded libraries avoids it; their leaks are Qt's, not ours.
export ASAN_OPTIONS="intercept_tls_get_addr=0"

run_sanitized_tests() {
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$sanitize_dir" --output-on-failure
}

# Each target starts from its seeds in the repository and keeps what it finds in a corpus of its own in the
# build folder, so the seeds stay as they are. A failing input is kept in the build folder as TARGET-crash-*.
run_fuzzers() {
    seconds=$1
    # The targets write their files on every input; a memory file system keeps that from the disk.
    scratch=${TMPDIR:-/tmp}
    [ -w /dev/shm ] && scratch=/dev/shm
    for target in $fuzz_targets; do
        corpus="$sanitize_dir/fuzz/corpus-$target"
        mkdir -p "$corpus"
        echo "Fuzzing $target for $seconds s"
        TMPDIR="$scratch" "$sanitize_dir/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=25 \
            -print_final_stats=1 -artifact_prefix="$sanitize_dir/fuzz/$target-" "$corpus" "$here/fuzz/corpus/$target"
    done
}

[ $# -eq 1 ] || { [ $# -eq 2 ] && { [ "$1" = fuzz ] || [ "$1" = bench ] || [ "$1" = mutants ]; }; } || usage
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
    check_formatting
    configure_and_build -DMORVANE_WERROR=ON
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$build_dir" --output-on-failure
    make_and_check_packages
    configure_and_build_sanitized
    run_sanitized_tests
    run_fuzzers "$smoke_fuzz_seconds"
    python3 "$here/tools/count_lines.py" "$here"
    ;;
fuzz)
    install_missing_packages
    configure_and_build_sanitized
    run_fuzzers "${2:-600}"
    ;;
bench)
    install_missing_packages
    configure_and_build
    if [ $# -eq 2 ]; then
        tree=$2
        if [ "$tree" = linux-source ]; then
            tree="$build_dir/bench-work/linux-source"
            if [ ! -d "$tree/usr/src" ]; then
                mkdir -p "$tree"
                (cd "$tree" && apt-get download linux-source-6.1 && dpkg-deb -x linux-source-6.1_*.deb . &&
                    tar -xaf usr/src/linux-source-6.1.tar.* -C usr/src)
            fi
            tree=$(find "$tree/usr/src" -mindepth 1 -maxdepth 1 -type d | head -n 1)
        fi
        exec "$build_dir/bench/morvane_bench" "$build_dir/bench-work" "$tree"
    fi
    "$build_dir/bench/morvane_bench" "$build_dir/bench-work"
    QT_QPA_PLATFORM=offscreen "$build_dir/bench/morvane_window_bench" "$build_dir/bench-work"
    QT_QPA_PLATFORM=offscreen "$build_dir/bench/morvane_preview_bench" "$build_dir/bench-work"
    ;;
mutants)
    install_missing_packages
    cmake -S "$here" -B "$mutants_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build "$mutants_dir"
    exec python3 "$here/tools/mutants.py" "$mutants_dir" "${2:-20}"
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
