#!/usr/bin/env bash
# Automatic pace against a hidden limit: the demo engine blocks an address that sends more than N
# requests within S seconds (--rate-limit N/S) for the block's length, and the job waits as long.
# One job runs with --interval auto and one per fixed interval of a sweep around the limit's own
# S/N; each prints its throughput (successful requests per second, block waits included), its
# ratio to the limit's N/S, its blocks and their share of the requests, and, for auto, the pause
# it settled at. The best fixed interval of the sweep is the best in hindsight.
# Usage: bench/pace_throughput.sh [BUILD_DIR] [N/S] [PAGES]
#        (defaults build/release, 4/1 and 40 results pages of 10 ads, 440 requests; needs
#        korvath-cli and korvath-demo-engine built there)
set -euo pipefail
cd "$(dirname "$0")/.."

build="$(realpath -m "${1:-build/release}")"
limit="${2:-4/1}"
pages="${3:-40}"
ads=10
block=2
cli="$build/bin/korvath-cli"
engine="$build/bin/korvath-demo-engine"
if ! [[ "$limit" =~ ^([1-9][0-9]*)/([0-9.]+)$ ]]; then
  echo "the limit wants N/S, not \"$limit\"" >&2
  exit 2
fi
per_request=$(awk -v n="${BASH_REMATCH[1]}" -v s="${BASH_REMATCH[2]}" 'BEGIN { print s / n }')
requests=$((pages * (ads + 1)))

source bench/script_support.sh
require_programs "$cli" "$engine"
make_scratch pace
printf 'окна\n' >"$scratch/queries.txt"

# One job with `--interval $1`; prints its line of the table.
measure() {
  local dir="$scratch/$1"
  mkdir -p "$dir"
  start_engine --port 0 --pages "$pages" --ads "$ads" --no-missing-cards --rate-limit "$limit" \
    --captcha-for "$block" --captcha-style inline
  local began ended
  began=$(date +%s.%N)
  (cd "$dir" && "$cli" run --dir "$dir" --origin "$origin" --interval "$1" \
    --queries "$scratch/queries.txt" --regions "Москва=213" --block-wait "$block" \
    --no-xlsx >"$dir/log.txt")
  ended=$(date +%s.%N)
  stop_engine
  local blocks pace
  blocks=$(grep -o 'Блокировок за работу: [0-9]*' "$dir/log.txt" | grep -o '[0-9]*$' || echo 0)
  pace=$(grep -o 'Адрес [^ ]*: пауза [0-9,]* с' "$dir/log.txt" | sed 's/.*пауза //' || echo -)
  awk -v name="$1" -v n="$requests" -v b="$blocks" -v t0="$began" -v t1="$ended" \
    -v unit="$per_request" -v pace="${pace:--}" 'BEGIN {
      rate = n / (t1 - t0)
      printf "%-9s %-8.2f %-6.2f %-7d %-7.1f %s\n", name, rate, rate * unit, b,
        100 * b / (n + b), pace }'
}

echo "limit $limit (a pause of $per_request s), $requests requests, blocks of $block s"
printf '%-9s %-8s %-6s %-7s %-7s %s\n' interval req/s ratio blocks block% pace
measure auto
for factor in 0.9 1.0 1.1 1.25 1.5; do
  measure "$(awk -v f="$factor" -v u="$per_request" 'BEGIN { printf "%.3f", f * u }')"
done
