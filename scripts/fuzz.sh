#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and the sanitizers, then runs one of them.
#   scripts/fuzz.sh TARGET [SECONDS] [libFuzzer options...]
# TARGET is one of fuzz/*_fuzzer.cpp without .cpp; SECONDS defaults to 600. The growing corpus
# lives outside the repository in $VELMORA_FUZZ_DIR (default ~/.cache/velmora-fuzz), seeded from the
# test workbooks and fuzz/corpus/workbook_fuzzer (bare streams) or fuzz/corpus/TARGET (plus
# tests/data/workbooks for xlsx_fuzzer and ods_fuzzer), with fuzz/workbook.dict for the workbook
# reader; crash, leak, timeout and oom inputs land in its artifacts folder.
set -euo pipefail
cd "$(dirname "$0")/.."
target="${1:?usage: scripts/fuzz.sh TARGET [SECONDS] [libFuzzer options...]}"
seconds="${2:-600}"
shift $(($# >= 2 ? 2 : 1))

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_FUZZERS=ON \
    -DBUILD_APP=OFF -DBUILD_TESTS=OFF -DSANITIZE=address,undefined >/dev/null
cmake --build build-fuzz -j2 --target "$target"

work="${VELMORA_FUZZ_DIR:-$HOME/.cache/velmora-fuzz}"
corpus="$work/$target"
artifacts="$work/artifacts-$target"
mkdir -p "$corpus" "$artifacts"
seeds=("fuzz/corpus/$target")
if [[ "$target" == workbook_fuzzer ]]; then seeds=(tests/data tests/data/fuzz fuzz/corpus/workbook_fuzzer); fi
# The zip-based readers start from the fixtures of both formats and from bare XML parts.
if [[ "$target" == xlsx_fuzzer || "$target" == ods_fuzzer ]]; then seeds+=(tests/data/workbooks); fi
existing=()
for dir in "${seeds[@]}"; do [[ -d "$dir" ]] && existing+=("$dir"); done

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=0}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
# One job; -rss_limit_mb and -malloc_limit_mb catch runaway allocation, -timeout a reader that hangs.
dict=()
if [[ -f "fuzz/${target%_fuzzer}.dict" ]]; then dict=(-dict="fuzz/${target%_fuzzer}.dict"); fi
exec build-fuzz/bin/"$target" "${dict[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -malloc_limit_mb=512 -max_len=32768 -print_final_stats=1 -artifact_prefix="$artifacts/" "$@" \
    "$corpus" "${existing[@]}"
