#!/usr/bin/env bash
# Runs the libFuzzer harnesses of fuzz/ (built by `scripts/build.sh sanitize`).
#
#   scripts/fuzz.sh smoke [SECONDS] [HARNESS...]     SECONDS (default 60) for all the named
#       harnesses together, two at a time (FUZZ_JOBS), each over fresh copies of its
#       seeds; exits non-zero when any harness has a finding (CI).
#   scripts/fuzz.sh campaign [SECONDS] [HARNESS...]  the long run: SECONDS per harness
#       (default 3600) on two cores (libFuzzer's fork mode; FUZZ_JOBS=1 for one), going on after findings;
#       the corpus grows in build/sanitize/corpus/HARNESS and is reused by the next campaign.
#
# Both print executions, coverage (edges) and findings per harness; findings are
# saved in build/sanitize/findings/HARNESS/ (crash-*, leak-*, timeout-*, oom-*).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Sanitizer reports name the whole call chain.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
build="$root/build/sanitize"
bin="$build/fuzz"
seeds="$bin/seeds"
dicts="$root/fuzz/dictionaries"
corpus_dir=$(cd "$root/.." && pwd)/shared/corpus

mode=${1:?usage: fuzz.sh smoke|campaign [SECONDS] [HARNESS...]}
shift
case "$mode" in
  smoke) budget=${1:-60} ;;
  campaign) seconds=${1:-3600} ;;
  *) echo "fuzz.sh: unknown mode $mode" >&2; exit 2 ;;
esac
(($#)) && shift
all=(archive deflate names library_text converter_output binary_plist xml_plist http_request store_response)
harnesses=("$@")
((${#harnesses[@]})) || harnesses=("${all[@]}")

# Seed folders and dictionary of each harness.
seed_dirs() {
  case "$1" in
    archive) echo "$seeds/archive"; [[ -d "$corpus_dir" ]] && echo "$corpus_dir" ;;
    converter_output) echo "$seeds/converter_output $seeds/xml_plist" ;;
    xml_plist) echo "$seeds/xml_plist $seeds/converter_output" ;;
    *) echo "$seeds/$1" ;;
  esac
}
dictionary() {
  case "$1" in
    archive) echo "$dicts/zip.dict" ;;
    converter_output | binary_plist | xml_plist) echo "$dicts/plist.dict" ;;
    library_text) echo "$dicts/library_text.dict" ;;
    http_request) echo "$dicts/http.dict" ;;
    store_response) echo "$dicts/json.dict" ;;
  esac
}

# Longest input the fuzzer makes: archives need room for members and directory.
max_len() {
  case "$1" in
    archive) echo 262144 ;;
    *) echo 65536 ;;
  esac
}

# Executions, coverage and findings of one run, from libFuzzer's log.
report() {
  local name=$1 log=$2 findings=$3
  local execs cov
  execs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | awk '{s += $2} END {print s + 0}')
  if [[ "$execs" == 0 ]]; then  # fork mode reports on its status lines instead
    execs=$(grep -oE '^#[0-9]+' "$log" | tail -1 | tr -d '#')
  fi
  cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -1 | awk '{print $2}')
  printf '%-18s executions %12s   coverage %6s edges   findings %s\n' "$name" "${execs:-0}" "${cov:-?}" "$findings"
}

# One harness's run; its report line goes to $build/logs/NAME-MODE.report, and
# a non-zero status means a finding or a failed run.
run_harness() {
  local name=$1 seconds=$2
  local exe="$bin/${name}_fuzzer" findings_dir="$build/findings/$name" log="$build/logs/$name-$mode.log"
  local options work before run_status found dict
  options=(-timeout=10 -rss_limit_mb=2048 -max_len="$(max_len "$name")" -print_final_stats=1
           -max_total_time="$seconds" -artifact_prefix="$findings_dir/")
  dict=$(dictionary "$name")
  [[ -n "$dict" ]] && options+=(-dict="$dict")
  if [[ "$mode" == smoke ]]; then
    work="$build/smoke/$name"
    rm -rf "$work"
    mkdir -p "$work"
  else
    work="$build/corpus/$name"
    mkdir -p "$work"
    options+=(-fork="${FUZZ_JOBS:-2}" -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1)
  fi
  before=$(find "$findings_dir" -type f | wc -l)
  # shellcheck disable=SC2046  # the seed folders are words
  (cd "$build" && "$exe" "${options[@]}" "$work" $(seed_dirs "$name")) >"$log" 2>&1
  run_status=$?
  found=$(($(find "$findings_dir" -type f | wc -l) - before))
  {
    report "$name" "$log" "$found"
    if ((found > 0 || run_status != 0)); then
      echo "  log: $log"
      find "$findings_dir" -type f -newer "$exe" | sed 's/^/  finding: /'
    fi
  } >"$build/logs/$name-$mode.report"
  ((found == 0 && run_status == 0))
}

for name in "${harnesses[@]}"; do
  [[ -x "$bin/${name}_fuzzer" ]] || { echo "fuzz.sh: $bin/${name}_fuzzer missing (scripts/build.sh sanitize)" >&2; exit 2; }
  mkdir -p "$build/findings/$name" "$build/logs"
done

status=0
if [[ "$mode" == smoke ]]; then
  # The budget is shared: FUZZ_JOBS harnesses run at once, each for its share.
  jobs=${FUZZ_JOBS:-2}
  rounds=$(((${#harnesses[@]} + jobs - 1) / jobs))
  seconds=$((budget / rounds))
  ((seconds >= 5)) || seconds=5
  for name in "${harnesses[@]}"; do
    while (($(jobs -rp | wc -l) >= jobs)); do wait -n; done
    run_harness "$name" "$seconds" &
  done
  wait
  # A run with a finding or a failure names its log in its report.
  for name in "${harnesses[@]}"; do
    grep -q '^  log: ' "$build/logs/$name-$mode.report" && status=1
  done
else
  for name in "${harnesses[@]}"; do run_harness "$name" "$seconds" || status=1; done
fi
for name in "${harnesses[@]}"; do cat "$build/logs/$name-$mode.report"; done
exit $status
