#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang (ASan and UBSan) into
# build/fuzz and runs each for SECONDS (default 20) from a copy of its seed
# corpus, then over a set of hostile inputs (deep nesting, megabyte lines,
# huge numbers, invalid UTF-8, truncated archives and PE files). Ends with one
# line per target: its name, runs, the coverage reached, ok or FAILED; exits
# non-zero on any finding (crash, leak, timeout, more than 2 GiB).
#   scripts/fuzz.sh [SECONDS] [TARGET...]     e.g. scripts/fuzz.sh 60 layout skin_zip
# Findings are kept in build/fuzz/findings/<target>/.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift $(( $# > 0 ? 1 : 0 ))

# clang and its libFuzzer runtime (scripts/deps.sh installs them as well).
if ! command -v clang++ >/dev/null ||
   ! compgen -G '/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a' >/dev/null; then
  echo "[fuzz] installing clang and libFuzzer"
  export DEBIAN_FRONTEND=noninteractive
  { apt-get update -qq && apt-get install -y -qq clang libclang-rt-14-dev; } >/dev/null || exit 1
fi

build=build/fuzz
echo "[fuzz] building the targets in $build"
if ! { CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DLUMEVIA_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null &&
       cmake --build "$build" --target fuzz_targets -j 2 >"$build.log" 2>&1; }; then
  tail -40 "$build.log" 2>/dev/null
  echo "[fuzz] build failed"
  exit 1
fi

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  for f in "$build"/fuzz_*; do [[ -x $f ]] && targets+=("${f##*/fuzz_}"); done
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# The targets' own temporary folders go with the scratch folder.
export TMPDIR=$scratch/tmp
mkdir -p "$TMPDIR"
python3 tests/fuzz/hostile_inputs.py "$scratch/hostile" tests/fuzz/corpus || exit 1

# Hangs and memory count as findings: a few seconds and 2 GiB at most.
options=(-rss_limit_mb=2048 -timeout=5 -print_final_stats=1)
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

summary=() failed=0
for t in "${targets[@]}"; do
  exe=$build/fuzz_$t
  [[ -x $exe ]] || { summary+=("fuzz_$t  no such target  FAILED"); failed=$((failed + 1)); continue; }
  work=$scratch/$t
  mkdir -p "$work/corpus" "$work/artifacts"
  cp -r "tests/fuzz/corpus/$t/." "$work/corpus/" 2>/dev/null
  dict=()
  [[ -f tests/fuzz/dict/$t.dict ]] && dict=(-dict="tests/fuzz/dict/$t.dict")
  log=$work/log
  nice -n 10 "$exe" "$work/corpus" "${options[@]}" "${dict[@]}" -max_total_time="$seconds" \
    -artifact_prefix="$work/artifacts/" >"$log" 2>&1
  rc=$?
  # The hostile inputs, each run once (a megabyte line is past -max_len).
  if [[ $rc -eq 0 ]]; then
    nice -n 10 "$exe" "${options[@]}" -artifact_prefix="$work/artifacts/" "$scratch"/hostile/* >"$log.hostile" 2>&1
    rc=$?
    [[ $rc -eq 0 ]] || cat "$log.hostile" >>"$log"
  fi
  runs=$(grep -oE 'stat::number_of_executed_units: [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+$')
  cov=$(grep -oE ' cov: [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+$')
  if [[ $rc -eq 0 ]]; then
    summary+=("fuzz_$t  runs ${runs:-0}  cov ${cov:-0}  ok")
  else
    failed=$((failed + 1))
    mkdir -p "$build/findings/$t"
    cp "$work"/artifacts/* "$build/findings/$t/" 2>/dev/null
    cp "$log" "$build/findings/$t/log"
    echo "=== fuzz_$t: finding (exit $rc), kept in $build/findings/$t"
    grep -E 'ERROR|SUMMARY|==[0-9]+==|runtime error|invariant|#[0-9]+ 0x' "$log" | head -30
    summary+=("fuzz_$t  runs ${runs:-0}  cov ${cov:-0}  FAILED")
  fi
done

echo "=== fuzz summary (${seconds}s a target)"
printf '%s\n' "${summary[@]}"
[[ $failed -eq 0 ]]
