#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time, one after another.
#   fuzz/run.sh [seconds-per-target]     (default 60)
# Not part of the tests or CI. New inputs go to build-fuzz/corpus/<target> (the committed seeds in
# fuzz/corpus are only read); a crash, leak, hang or broken invariant leaves its input in
# build-fuzz/findings/<target> and its log in build-fuzz/logs, and makes the script exit 1.
set -u

seconds=${1:-60}
case $seconds in
    '' | *[!0-9]*) echo "usage: $0 [seconds-per-target]" >&2; exit 2 ;;
esac

here=$(cd "$(dirname "$0")" && pwd)
build=$here/../build-fuzz
targets="translator shape vbformat template"

if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        >/dev/null || exit 1
fi
cmake --build "$build" || exit 1

# Qt's one-time allocations are suppressed (fuzz/lsan.supp); the program's own never are.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:symbolize=1
export LSAN_OPTIONS=suppressions=$here/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=0
summary=()
for target in $targets; do
    scratch=$build/corpus/$target
    findings=$build/findings/$target
    log=$build/logs/$target.log
    mkdir -p "$scratch" "$findings" "$(dirname "$log")"
    dict=()
    [ -f "$here/dict/$target.dict" ] && dict=(-dict="$here/dict/$target.dict")
    echo "== $target: $seconds s"
    "$build/fuzz_$target" "${dict[@]}" -max_total_time="$seconds" -timeout=5 \
        -rss_limit_mb=2048 -max_len=8192 -print_final_stats=1 \
        -artifact_prefix="$findings/" "$scratch" "$here/corpus/$target" >"$log" 2>&1
    rc=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    files=$(find "$scratch" -type f | wc -l)
    if [ $rc -eq 0 ]; then
        line="$target: clean, ${runs:-?} runs in $seconds s, coverage ${cov:-?}"
        summary+=("$line, corpus $files")
    else
        failed=1
        what='ERROR: (libFuzzer|AddressSanitizer|LeakSanitizer)[^(]*|runtime error:.*'
        what+='|(translation|number|template) fault:.*'
        kind=$(grep -o -m 1 -E "$what" "$log")
        artifact=$(sed -n 's/.*Test unit written to //p' "$log" | tail -n 1)
        line="$target: FAILED (${kind:-exit $rc}) after ${runs:-?} runs"
        summary+=("$line; input ${artifact:-none}; log $log")
    fi
done

printf '%s\n' "${summary[@]}"
exit $failed
