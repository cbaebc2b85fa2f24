#!/usr/bin/env bash
# Pool throughput: headless jobs of N workers, each through a tinyproxy of its own bound to a
# loopback address of its own (127.0.0.2, 127.0.0.3, ...), so that the demo engine, which keeps
# its blocks per client address, sees N clients. The engine answers after 50 ms; the pause between
# two requests through one proxy is 0.2 s. For every N the job runs twice, with one task
# (query, region) per worker and with four, and the figures are taken from the difference of the
# two runs, so that what every job costs whatever its size (start-up, the workers' set-up, the
# last save) weighs on no N more than on another. Prints per N the requests per minute and their
# ratio to N times one worker's, the CPU time per ad and its ratio to one worker's, and the
# shortest gap between two requests through one proxy, read from the engine's log.
# Usage: bench/pool_throughput.sh [--runs R] [--proxy-file NAME] [BUILD_DIR] [N ...]
#        (defaults 3 runs, proxies.txt, build/release and N = 1 2 4 8 16; needs korvath-cli and
#        korvath-demo-engine built there, and tinyproxy; N at most 64. With "--proxy-file
#        proxy.txt" the one proxy of N = 1 is the program's single proxy instead of a pool.)
set -euo pipefail
cd "$(dirname "$0")/.."

runs=3
proxy_file=proxies.txt
while [[ "${1:-}" == --* ]]; do
  case "$1" in
    --runs) runs="${2:?--runs needs a number}" ;;
    --proxy-file) proxy_file="${2:?--proxy-file needs a file name}" ;;
    *)
      echo "unknown option $1" >&2
      exit 2
      ;;
  esac
  shift 2
done
build="$(realpath -m "${1:-build/release}")"
shift || true
counts=("$@")
((${#counts[@]})) || counts=(1 2 4 8 16)
cli="$build/bin/korvath-cli"
engine="$build/bin/korvath-demo-engine"
interval=0.2
answer_ms=50
ads_per_page=8
regions=("Москва=213" "Санкт-Петербург=2" "Казань=43" "Екатеринбург=54")

if ! [[ "$runs" =~ ^[1-9][0-9]*$ ]]; then
  echo "--runs wants a whole number from 1 on, not \"$runs\"" >&2
  exit 2
fi
for n in "${counts[@]}"; do
  if ! [[ "$n" =~ ^[1-9][0-9]*$ ]] || ((n > 64)); then
    echo "N must be a whole number from 1 to 64, not \"$n\"" >&2
    exit 2
  fi
done
if [[ "$proxy_file" == proxy.txt && "${counts[*]}" != 1 ]]; then
  echo "proxy.txt holds one proxy: use it with N = 1 alone" >&2
  exit 2
fi

source bench/script_support.sh
require_programs "$cli" "$engine" "$tinyproxy"
make_scratch pool

# Result records of a CSV file: a line break inside a quoted field continues the record.
csv_records() {
  awk '{ quotes += gsub(/"/, "&") } quotes % 2 == 0 { n++ } END { print n - 1 }' "$1"
}

# Runs one job of N workers through the N proxies of $proxy_list over the given regions, one
# query per worker; sets $wall, $cpu (seconds), $ads and leaves the engine's log in $dir.
run_job() {
  local n=$1 regions_arg=$2
  dir="$3"
  mkdir -p "$dir/program" "$dir/work"
  for i in $(seq "$n"); do printf 'окна %d\r\n' "$i"; done >"$dir/program/keywords.txt"
  printf '%s\r\n' "${proxy_list[@]}" >"$dir/program/$proxy_file"
  start_engine --pages 1 --ads "$ads_per_page" --no-missing-cards --slow-ms "$answer_ms" --log
  # One worker is the program's default: N = 1 runs on a program without the option too.
  local workers=()
  ((n == 1)) || workers=(--workers "$n")
  local TIMEFORMAT='%3R %3U %3S'
  if ! { time (cd "$dir/work" && "$cli" run --dir "$dir/program" --origin "$origin" \
    --interval "$interval" --regions "$regions_arg" "${workers[@]}" \
    >"$dir/job.log" 2>"$dir/job.err"); } 2>"$dir/job.time"; then
    echo "the job of $n workers failed:" >&2
    cat "$dir/job.err" >&2
    exit 1
  fi
  stop_engine
  cp "$scratch/engine.err" "$dir/engine.log"
  : >"$scratch/engine.err"
  read -r wall user system <"$dir/job.time"
  cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')
  local results
  results=$(sed -n 's/^Results: //p' "$dir/job.log")
  [[ -f "$results" ]] || {
    echo "the job of $n workers saved no results" >&2
    exit 1
  }
  ads=$(csv_records "$results")
}

# From the engine's log ("HH:MM:SS.mmm PEER GET TARGET -> STATUS"): the requests, those not
# answered 200, the clients they came from, and the shortest gap in ms between two requests of
# one client. Prints "requests not_ok clients gap_ms".
engine_figures() {
  awk '$3 == "GET" && $5 == "->" {
      split($1, t, ":")
      ms = (t[1] * 3600 + t[2] * 60) * 1000 + int(t[3] * 1000 + 0.5)
      if (ms + 43200000 < last) day += 86400000  # past midnight
      last = ms
      ms += day
      ++requests
      if ($6 != "200") ++not_ok
      if ($2 in previous) {
        gap = ms - previous[$2]
        if (shortest == "" || gap < shortest) shortest = gap
      } else {
        ++clients
        list = list " " $2
      }
      previous[$2] = ms
    }
    END { printf "%d %d %s %s\n", requests, not_ok, shortest == "" ? "-" : shortest, list }' "$1"
}

# One pair of runs (one task per worker, then four) through the proxies of $proxy_list; appends
# "rate cpu_per_ad gap not_200 requests wall" of the pair to $dir/../runs.
measure_pair() {
  local n=$1 run=$2 small_requests small_not_ok small_gap small_clients small_wall small_cpu
  local small_ads requests not_ok gap clients seen
  run_job "$n" "${regions[0]}" "$scratch/n$n-run$run-small"
  read -r small_requests small_not_ok small_gap small_clients < <(engine_figures "$dir/engine.log")
  small_wall=$wall small_cpu=$cpu small_ads=$ads
  run_job "$n" "$(IFS=,; echo "${regions[*]}")" "$scratch/n$n-run$run-big"
  read -r requests not_ok gap clients < <(engine_figures "$dir/engine.log")
  for seen in "$small_clients" "$clients"; do
    if [[ " $(tr ' ' '\n' <<<"$seen" | sort -V | xargs)" != "$expected_clients" ]]; then
      echo "N = $n: requests came from ${seen// /, } instead of ${expected_clients# }:" \
        "the job did not send through every proxy of $proxy_file" >&2
      exit 1
    fi
  done
  awk -v r="$requests" -v sr="$small_requests" -v w="$wall" -v sw="$small_wall" -v c="$cpu" \
    -v sc="$small_cpu" -v a="$ads" -v sa="$small_ads" -v g="$gap" -v sg="$small_gap" \
    -v bad="$((small_not_ok + not_ok))" 'BEGIN {
      if (g == "-" || (sg != "-" && sg + 0 < g + 0)) g = sg
      printf "%.1f %.3f %s %d %d %s\n", (r - sr) * 60 / (w - sw), (c - sc) * 1000 / (a - sa), g,
        bad, r, w }' >>"$scratch/n$n.runs"
}

echo "interval $interval s; engine answers after $answer_ms ms; 1 result page of $ads_per_page" \
  "ads per task; one query per worker over 1 region, then over ${#regions[@]}; best of $runs" \
  "runs; $(nproc) cores; load average $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-4s %-9s %-8s %-8s %-8s %-10s %-7s %-7s %s\n' N requests wall_s req/min rate/N1 \
  cpu_ms/ad cpu/N1 gap_ms not_200

rate_one=
cpu_one=
failed=0
for n in "${counts[@]}"; do
  proxy_list=()
  expected_clients=
  for i in $(seq "$n"); do
    start_proxy "127.0.0.$((i + 1))"
    proxy_list+=("127.0.0.1:$proxy_port")
    expected_clients+=" 127.0.0.$((i + 1))"
  done
  : >"$scratch/n$n.runs"
  for run in $(seq "$runs"); do measure_pair "$n" "$run"; done
  stop_proxies

  # The best rate and the least CPU of the runs (each the least disturbed by the machine's other
  # work), but the shortest gap and every answer other than 200 of them all.
  read -r rate cpu_per_ad gap not_ok requests wall < <(awk '
    NR == 1 || $1 > rate { rate = $1; requests = $5; wall = $6 }
    NR == 1 || $2 < cpu { cpu = $2 }
    $3 != "-" && (gap == "" || $3 + 0 < gap) { gap = $3 + 0 }
    { bad += $4 }
    END { print rate, cpu, gap == "" ? "-" : gap, bad, requests, wall }' "$scratch/n$n.runs")
  if [[ "$n" == 1 ]]; then
    rate_one=$rate
    cpu_one=$cpu_per_ad
  fi
  read -r rate_ratio cpu_ratio < <(awk -v n="$n" -v r="$rate" -v r1="$rate_one" \
    -v c="$cpu_per_ad" -v c1="$cpu_one" 'BEGIN {
      if (r1 == "") { print "- -"; exit }
      printf "%.2f %.2f\n", r / (n * r1), c / c1 }')

  printf '%-4s %-9s %-8s %-8s %-8s %-10s %-7s %-7s %s\n' "$n" "$requests" "$wall" "$rate" \
    "$rate_ratio" "$cpu_per_ad" "$cpu_ratio" "$gap" "$not_ok"
  if [[ "$rate_ratio" != - ]] && awk -v x="$rate_ratio" 'BEGIN { exit !(x < 0.9) }'; then
    echo "  N = $n: the rate is under 0.9 N times one worker's" >&2
    failed=1
  fi
  if [[ "$cpu_ratio" != - ]] && awk -v x="$cpu_ratio" 'BEGIN { exit !(x > 1.2) }'; then
    echo "  N = $n: the CPU per ad is over 1.2 times one worker's" >&2
    failed=1
  fi
  if awk -v g="$gap" -v i="$interval" 'BEGIN { exit !(g != "-" && g < i * 1000) }'; then
    echo "  N = $n: two requests through one proxy came $gap ms apart" >&2
    failed=1
  fi
  if ((not_ok)); then
    echo "  N = $n: $not_ok requests were not answered 200 (blocks or faults distort the figures)" >&2
    failed=1
  fi
done
if ((failed)); then
  echo "targets missed"
  exit 1
fi
echo "targets met (rate at least 0.9 N times one worker's, CPU per ad at most 1.2 times one" \
  "worker's, no two requests through one proxy closer than $interval s)"
