#!/usr/bin/env bash
# Runs every fuzz target of the `fuzz` preset for its share of SECONDS (default 60), from the
# seeds in tests/fuzz/corpus/<target>/. New inputs that reach new code are kept in a scratch
# folder (VIDUDI_FUZZ_WORK, default build/fuzz/found/<target>/), never in the tree; a crash
# leaves its input in build/fuzz/crashes/. Prints one line per target: executions, coverage,
# corpus and crashes. Exit status 1 when any target crashed.
#
#   scripts/fuzz.sh [SECONDS]        VIDUDI_FUZZ_JOBS=N runs N targets at once (default 1)
set -euo pipefail
cd "$(dirname "$0")/.."

# No target opens a socket; as root they run without a network all the same, so a slip in one
# could never reach the machine's interface.
if [ "$(id -u)" -eq 0 ] && [ -z "${VIDUDI_FUZZ_UNSHARED:-}" ] && command -v unshare >/dev/null; then
    VIDUDI_FUZZ_UNSHARED=1 exec unshare -n "$0" "$@"
fi

seconds=${1:-60}
jobs=${VIDUDI_FUZZ_JOBS:-1}
bin=build/fuzz/tests/fuzz
work=${VIDUDI_FUZZ_WORK:-build/fuzz/found}
crashes=build/fuzz/crashes
# Share lists reach 64 KiB; the reply seeds hold one just past it.
declare -A max_len=([reply_fuzzer]=70100 [emulator_request_fuzzer]=70100 [emulator_config_fuzzer]=8192 [cli_input_fuzzer]=256)
targets=(reply_fuzzer emulator_request_fuzzer emulator_config_fuzzer cli_input_fuzzer)

for target in "${targets[@]}"; do
    [ -x "$bin/$target" ] || { echo "fuzz.sh: $bin/$target is missing: cmake --build --preset fuzz" >&2; exit 2; }
done
share=$(( seconds / ${#targets[@]} ))
[ "$share" -ge 1 ] || share=1
mkdir -p "$crashes"

run_target() {  # run_target NAME: one libFuzzer run; its output in $work/NAME.log
    local target=$1
    mkdir -p "$work/$target"
    "$bin/$target" -max_total_time="$share" -max_len="${max_len[$target]}" -print_final_stats=1 \
        -artifact_prefix="$crashes/$target-" -timeout=10 -rss_limit_mb=2048 \
        "$work/$target" "tests/fuzz/corpus/$target" >"$work/$target.log" 2>&1
}

echo "fuzz.sh: ${#targets[@]} targets, ${share} s each, ${jobs} at a time"
running=0
for target in "${targets[@]}"; do
    run_target "$target" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then wait -n || true; running=$((running - 1)); fi
done
wait || true

failed=0
printf '%-26s %12s %8s %8s %8s %s\n' target executions exec/s cov corpus crashes
for target in "${targets[@]}"; do
    log="$work/$target.log"
    stat() { sed -n "s/^stat::$1: *//p" "$log" | tail -n 1; }
    # The last status line, e.g. "#412345 DONE cov: 812 ft: 2301 corp: 190/22Kb ..."
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    corp=$(grep -o 'corp: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    found=$(ls "$crashes" | grep -c "^$target-" || true)
    printf '%-26s %12s %8s %8s %8s %s\n' "$target" "$(stat number_of_executed_units)" "$(stat average_exec_per_sec)" \
        "${cov:-?}" "${corp:-?}" "$found"
    if [ "$found" -gt 0 ] || grep -q '^==[0-9]*==ERROR\|^SUMMARY: .*Sanitizer\|deadly signal' "$log"; then
        failed=1
        echo "---- $target: crash (inputs in $crashes/)" >&2
        grep -m 1 -A 12 '==ERROR\|deadly signal\|runtime error' "$log" >&2 || tail -n 20 "$log" >&2
    fi
done
exit "$failed"
