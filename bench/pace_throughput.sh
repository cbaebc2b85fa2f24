#!/usr/bin/env bash
# Automatic pace against a hidden limit of N requests per S seconds per address, in three shapes
# the demo engine keeps: a sliding window (--rate-limit), a token bucket with a burst of 2N
# (--rate-burst) and a window that halves once half the job's requests have passed
# (--rate-halve-after). A blocked address is answered 429 for the block's length, and the job
# waits as long. Per shape, with one address and with three proxies (tinyproxies bound to
# 127.0.0.2-4, one worker each), one job runs with --interval auto and one per fixed interval of
# a sweep around the limit's S/N; the best fixed interval of the sweep is the best in hindsight.
# Every address gets about REQUESTS requests, so that its learning weighs the same in both.
# The jobs through one address run side by side, each against an engine of its own, since they
# mostly wait; through three proxies, those of one shape. Each line gives the throughput
# (successful requests per second from the job's first request to its last, block waits
# included), its ratio to the limit's N/S (times the addresses), the share of requests blocked and
# the median gap between two requests of one address over the second half of the job, all read
# from the engine's log. Then a job starts from the pace the job before it learned (pace.sqlite in
# the program folder) and its first 20 gaps are compared with that pace; these two jobs are a
# third as long.
# Usage: bench/pace_throughput.sh [BUILD_DIR] [N/S] [REQUESTS]
#        (defaults build/release, 20/1 and 3000 requests; needs korvath-cli and
#        korvath-demo-engine built there, and tinyproxy; about 20 minutes)
set -euo pipefail
cd "$(dirname "$0")/.."

build="$(realpath -m "${1:-build/release}")"
limit="${2:-20/1}"
requests="${3:-3000}"
ads=10
block=2
cli="$build/bin/korvath-cli"
engine="$build/bin/korvath-demo-engine"
if ! [[ "$limit" =~ ^([1-9][0-9]*)/([0-9.]+)$ ]]; then
  echo "the limit wants N/S, not \"$limit\"" >&2
  exit 2
fi
per_request=$(awk -v n="${BASH_REMATCH[1]}" -v s="${BASH_REMATCH[2]}" 'BEGIN { print s / n }')
per_second=$(awk -v n="${BASH_REMATCH[1]}" -v s="${BASH_REMATCH[2]}" 'BEGIN { print n / s }')
# A results page and its cards: about ads + 1 requests.
pages=$(((requests + ads) / (ads + 1)))

source bench/script_support.sh
require_programs "$cli" "$engine" "$tinyproxy"
make_scratch pace

declare -A shape_options=(
  [window]=""
  [bucket]="--rate-burst $((2 * ${limit%%/*}))"
  [halving]="--rate-halve-after HALF"
)
declare -A sweep=(
  [window]="0.95 1.0 1.05 1.1 1.2"
  [bucket]="0.95 1.0 1.05 1.1 1.2"
  [halving]="1.0 1.9 2.0 2.1 2.2"
)

# Starts one job in $1 with `--interval $2` through $3 addresses, one query of $pages results
# pages each, against an engine of its own with the shape's options ($4); leaves its engine's
# number in $dir/engine.pid and the cli's in $dir/cli.pid. A folder that already holds a program
# folder keeps it, with its pace.sqlite.
start_job() {
  local dir=$1 interval=$2 addresses=$3 options=$4
  mkdir -p "$dir/program"
  local workers=() i
  for i in $(seq "$addresses"); do printf 'окна %d\n' "$i"; done >"$dir/queries.txt"
  if ((addresses > 1)); then
    printf '%s\r\n' "${proxy_list[@]:0:addresses}" >"$dir/program/proxies.txt"
    workers=(--workers "$addresses")
  fi
  engine_log="$dir/engine.log"
  # shellcheck disable=SC2086
  start_engine --port "${engine_port:-0}" --pages "$pages" --ads "$ads" --no-missing-cards \
    --log --rate-limit "$limit" --captcha-for "$block" --captcha-style status $options
  echo "$engine_pid" >"$dir/engine.pid"
  # In its own folder: the program leaves the last pages it read in its working folder.
  (cd "$dir" && exec "$cli" run --dir "$dir/program" --origin "$origin" --interval "$interval" \
    --queries "$dir/queries.txt" --regions "Москва=213" --block-wait "$block" \
    --block-wait-max 60 --no-xlsx "${workers[@]}" >"$dir/log.txt" 2>"$dir/err.txt") &
  echo $! >"$dir/cli.pid"
  kill_on_exit "$!"
}

# Waits for the jobs in the given folders and stops their engines.
finish_jobs() {
  local dir pid
  for dir in "$@"; do
    pid=$(cat "$dir/cli.pid")
    local status=0
    wait "$pid" || status=$?
    forget_on_exit "$pid"
    engine_pid=$(cat "$dir/engine.pid")
    stop_engine
    if ((status)); then
      echo "the job in $dir failed:" >&2
      cat "$dir/err.txt" >&2
      exit 1
    fi
  done
}

# From an engine's log ("HH:MM:SS.mmm PEER GET TARGET -> STATUS"): the requests, those answered
# 429, the seconds from the first to the last, and the median gap in ms between two requests of one address, over each address's second
# half, or over its requests 2 to 21 with "first".
engine_figures() {
  local counts median
  counts=$(awk '$3 == "GET" && $5 == "->" {
      split($1, t, ":")
      s = t[1] * 3600 + t[2] * 60 + t[3]
      if (n == 0) first = s
      if (s + 43200 < last) day += 86400  # past midnight
      last = s
      ++n
      if ($6 == "429") ++b
    }
    END { printf "%d %d %.3f\n", n, b, last + day - first }' "$1")
  median=$(awk -v part="${2:-second-half}" '$3 == "GET" && $5 == "->" {
      split($1, t, ":")
      ms = (t[1] * 3600 + t[2] * 60) * 1000 + int(t[3] * 1000 + 0.5)
      if (ms + 43200000 < last) day += 86400000  # past midnight
      last = ms
      ms += day
      if ($2 in previous) gaps[$2, ++count[$2]] = ms - previous[$2]
      previous[$2] = ms
    }
    END {
      for (peer in count) {
        from = part == "first" ? 1 : int(count[peer] / 2) + 1
        to = part == "first" ? 20 : count[peer]
        for (i = from; i <= to && i <= count[peer]; ++i) print gaps[peer, i]
      }
    }' "$1" | sort -n | awk '{ v[NR] = $1 } END { print NR ? v[int((NR + 1) / 2)] : "-" }')
  echo "$counts $median"
}

# Prints a job's line (name, req/s, ratio, requests, blocked %, median gap) and adds it to the
# table beside its folder.
report_job() {
  local dir=$1 name=$2 addresses=$3 all blocked seconds gap
  read -r all blocked seconds gap < <(engine_figures "$dir/engine.log")
  awk -v name="$name" -v all="$all" -v b="$blocked" -v t="$seconds" -v limit="$per_second" \
    -v a="$addresses" -v gap="$gap" 'BEGIN {
      rate = (all - b) / t
      printf "%-9s %-8.2f %-6.3f %-9d %-7.2f %s\n", name, rate, rate / (limit * a), all,
        100 * b / all, gap }' | tee -a "$(dirname "$dir")/table"
}

# The tables of the given shapes through $1 addresses: auto and the sweep of every shape side by
# side, then one table per shape.
measure_shapes() {
  local addresses=$1 shape factor interval dir dirs=()
  shift
  for shape in "$@"; do
    mkdir -p "$scratch/$shape-$addresses"
    for interval in auto $(for factor in ${sweep[$shape]}; do
      awk -v f="$factor" -v u="$per_request" 'BEGIN { printf "%.3f\n", f * u }'
    done); do
      dir="$scratch/$shape-$addresses/$interval"
      start_job "$dir" "$interval" "$addresses" \
        "${shape_options[$shape]//HALF/$((addresses * requests / 2))}"
      dirs+=("$dir")
    done
  done
  finish_jobs "${dirs[@]}"
  for shape in "$@"; do
    echo
    echo "$shape, $addresses address(es)"
    printf '%-9s %-8s %-6s %-9s %-7s %s\n' interval req/s ratio requests blocked% gap_ms
    for dir in "${dirs[@]}"; do
      [[ "$dir" == "$scratch/$shape-$addresses/"* ]] || continue
      report_job "$dir" "$(basename "$dir")" "$addresses"
    done
    awk 'NR == 1 { auto = $2; blocked = $5 }
      NR > 1 && $2 > best { best = $2; name = $1 }
      END {
        printf "auto / best fixed (%s): %.3f, auto blocked %.2f%%: %s\n", name, auto / best,
          blocked, (auto >= 0.9 * best && blocked <= 2) ? "target met" : "target missed" }' \
      "$scratch/$shape-$addresses/table" | tee -a "$scratch/verdicts"
  done
}

echo "limit $limit per address (a pause of $per_request s), about $requests requests a job," \
  "blocks of $block s; $(nproc) cores; load average $(cut -d' ' -f1-3 /proc/loadavg)"
proxy_list=()
for i in 2 3 4; do
  start_proxy "127.0.0.$i"
  proxy_list+=("127.0.0.1:$proxy_port")
done
# The jobs through one address each take little of the machine: all of them at once. Through
# three proxies, one shape at a time.
measure_shapes 1 window bucket halving
for shape in window bucket halving; do measure_shapes 3 "$shape"; done
stop_proxies

# The second job: the same program folder, an engine on the same port (the pace is kept per
# address), a sliding window. Its first 20 gaps against the pace the first job ended at.
engine_port=$((20000 + RANDOM % 40000))
pages=$(((requests / 3 + ads) / (ads + 1)))
start_job "$scratch/memory/first" auto 1 ""
finish_jobs "$scratch/memory/first"
cp -r "$scratch/memory/first" "$scratch/memory/second"
rm -f "$scratch/memory/second/engine.log"
start_job "$scratch/memory/second" auto 1 ""
finish_jobs "$scratch/memory/second"
read -r _ _ _ learned < <(engine_figures "$scratch/memory/first/engine.log")
read -r _ _ _ fresh_start < <(engine_figures "$scratch/memory/first/engine.log" first)
read -r _ _ _ start < <(engine_figures "$scratch/memory/second/engine.log" first)
first_blocks=$(awk '$3 == "GET" && $5 == "->" && ++n <= 20 && $6 == "429"' \
  "$scratch/memory/second/engine.log" | wc -l)
echo
echo "a first job and a second one from its pace, window, 1 address"
printf '%-9s %-8s %-6s %-9s %-7s %s\n' job req/s ratio requests blocked% gap_ms
for job in first second; do report_job "$scratch/memory/$job" "$job" 1; done
echo "second job: median gap of its first 20 requests $start ms (the first job's: $fresh_start" \
  "ms), the first job's settled gap $learned ms; $first_blocks of its first 20 requests blocked"
if awk -v s="$start" -v l="$learned" -v b="$first_blocks" 'BEGIN {
    exit !(s >= 0.75 * l && s <= 1.25 * l && b == 0) }'; then
  echo "the second job starts at its pace"
else
  echo "the second job does not start at its pace: target missed" | tee -a "$scratch/verdicts"
fi
! grep -q missed "$scratch/verdicts"
