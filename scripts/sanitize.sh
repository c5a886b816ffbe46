#!/usr/bin/env bash
# Builds the whole project with sanitizers and runs the whole test suite (GUI tests under Xvfb).
#
#   scripts/sanitize.sh address [ctest arguments]   AddressSanitizer + UndefinedBehaviorSanitizer and
#                                                   LeakSanitizer, in build-asan/ (CI runs this one)
#   scripts/sanitize.sh thread  [ctest arguments]   ThreadSanitizer, in build-tsan/ (run by hand)
#
# "address" is built with clang (clang++-14 on Debian 12, clang++-19 on Debian 13, its runtimes from
# libclang-rt-<version>-dev), so that what only clang warns about or gets wrong shows up there while
# the plain build uses g++. "thread" is built with
# g++ (libtsan2): with Qt 6, whose QProcess starts a child that shares the parent's memory until it
# runs its program, clang 14's ThreadSanitizer runtime stops on a failed internal check. Qt 6 unless
# STICKWELL_QT=5 asks for Qt 5 (CI sanitizes the Qt 5 build).
# Every report fails the test it comes from; the script exits non-zero when any test fails.
# Suppressions (sanitizers/*.supp) cover only findings inside Qt, SDL and the X and font libraries.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

kind=${1:-}
case "$kind" in
address)
  # The distribution's own clang and its sanitizer runtimes: 14 on Debian 12, 19 on Debian 13.
  llvm=14
  if [ -r /etc/os-release ] && grep -q '^VERSION_CODENAME=trixie' /etc/os-release; then llvm=19; fi
  build=$top/build-asan compiler=clang++-$llvm packages=("clang-$llvm" "libclang-rt-$llvm-dev")
  ;;
thread) build=$top/build-tsan compiler=g++ packages=() ;;
*)
  echo "usage: scripts/sanitize.sh address|thread [ctest arguments]" >&2
  exit 2
  ;;
esac
shift

export STICKWELL_QT=${STICKWELL_QT:-6}
bash scripts/install-deps.sh "${packages[@]}"

# Debug keeps Q_ASSERT and assert() on; -O1 keeps the instrumented tests fast enough.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
  -DCMAKE_CXX_COMPILER="$compiler" -DSTICKWELL_QT="$STICKWELL_QT" -DSTICKWELL_SANITIZE="$kind" \
  -DSTICKWELL_BUILD_BENCH=OFF -DPython3_EXECUTABLE=/usr/bin/python3
cmake --build "$build" -j"$(nproc)"

supp=$top/sanitizers
prefix=()
if [ "$kind" = address ]; then
  # fast_unwind_on_malloc=0: Qt, SDL and the X libraries have no frame pointers, so only the slow
  # unwinder records whole allocation stacks, and the leak suppressions must see the library frames.
  # verify_asan_link_order=0: packaging/smoke-run.sh starts the program under stdbuf, which preloads
  # libstdbuf.so ahead of the sanitizer runtime (it only sets stdout's buffering).
  export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:verify_asan_link_order=0:fast_unwind_on_malloc=0"
  export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:report_error_type=1"
else
  # Every report is printed and makes its program exit with 66 at the end, so one run shows them all.
  # die_after_fork=0: Qt 6's QProcess child shares the parent's memory until it runs its program, and
  # ThreadSanitizer takes what it notes there for the parent's own state: the parent would die at its
  # next new thread as if it were a child forked from a multi-threaded process.
  export TSAN_OPTIONS="suppressions=$supp/tsan.supp:print_suppressions=0:halt_on_error=0:exitcode=66:second_deadlock_stack=1:history_size=4:die_after_fork=0"
  # TSan's shadow memory needs a fixed layout: without address-space randomisation it runs on kernels
  # whose mmap randomisation (vm.mmap_rnd_bits) is larger than gcc 12's runtime expects.
  prefix=(setarch "$(uname -m)" -R)
fi

cd "$build"
"${prefix[@]}" xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure "$@"
