#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) into build-fuzz/ and runs each for a
# bounded time. Findings (crash-*, leak-*, timeout-*) land in build-fuzz/findings/<target>/.
#   scripts/fuzz.sh                        # 60 s per target
#   FUZZ_SECONDS=600 scripts/fuzz.sh fuzz_sql_batch
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build-fuzz}
seconds=${FUZZ_SECONDS:-60}
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_connection_string fuzz_whole_set_text fuzz_sql_batch fuzz_tds_message)

"$top/scripts/install-deps.sh"
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
    [ "$(id -u)" -eq 0 ] && as_root=() || as_root=(sudo)
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev
fi

sanitizers="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DTARNWICK_FUZZ=ON -DTARNWICK_WERROR=OFF \
    -DCMAKE_CXX_FLAGS="$sanitizers -fno-omit-frame-pointer" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" --target "${targets[@]}"

status=0
for target in "${targets[@]}"; do
    corpus=$build/corpus/$target
    findings=$build/findings/$target
    mkdir -p "$corpus" "$findings"
    seeds=$top/tests/fuzz/seeds/${target#fuzz_}
    [ -d "$seeds" ] && cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
    echo "== $target: $seconds s"
    # The fuzzer's own exit status is not needed: a finding leaves a file behind.
    (cd "$findings" && "$build/tests/fuzz/$target" -max_total_time="$seconds" -max_len=8192 \
        -print_final_stats=1 "$corpus" 2>&1 \
        | grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==ERROR|SUMMARY)') || true
    if ls "$findings"/crash-* "$findings"/leak-* "$findings"/timeout-* >/dev/null 2>&1; then
        echo "FAIL: $target left findings in $findings"
        status=1
    fi
done
exit $status
