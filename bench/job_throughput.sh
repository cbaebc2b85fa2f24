#!/usr/bin/env bash
# Job throughput: a headless job with no pause between requests against the demo engine on
# loopback, set against curl fetching the very same addresses, in the same order, over one
# kept-alive connection. Every card is answered (a missing card costs the job a one-second wait
# that curl would not make), and the workbook, which curl has no counterpart of and which
# bench/workbook_bench.cpp measures, is left out; the journal is written as in every job. Prints
# wall times, their ratio and the job's peak memory for a base number of ads per page and for
# twice that number.
# Usage: bench/job_throughput.sh [BUILD_DIR]   (default build/release; needs korvath-cli and
#        korvath-demo-engine built there)
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build/release}"
cli="$PWD/$build/bin/korvath-cli"
engine="$PWD/$build/bin/korvath-demo-engine"
pages=12
base_ads=50
queries=("пластиковые окна" "ремонт квартир")
regions="Москва=213,Санкт-Петербург=2"

source bench/script_support.sh
require_programs "$cli" "$engine" /usr/bin/time curl
make_scratch bench

# "Elapsed (wall clock) time" of /usr/bin/time -v, as seconds.
wall_seconds() {
  sed -n 's/.*Elapsed (wall clock) time.*: //p' "$1" |
    awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }'
}

peak_kib() { sed -n 's/.*Maximum resident set size (kbytes): //p' "$1"; }

# User plus system CPU seconds of /usr/bin/time -v: less swayed than wall time by a busy machine.
cpu_seconds() {
  awk -F': ' '/User time|System time/ { s += $2 } END { printf "%.2f", s }' "$1"
}

measure() {
  local ads=$1 dir="$scratch/ads$1"
  mkdir -p "$dir/program" "$dir/work" "$dir/pages"
  printf '%s\r\n' "${queries[@]}" >"$dir/program/keywords.txt"
  start_engine --pages "$pages" --ads "$ads" --no-missing-cards

  (cd "$dir/work" && /usr/bin/time -v -o "$dir/job.time" "$cli" run --dir "$dir/program" \
    --origin "$origin" --interval 0 --regions "$regions" --no-xlsx \
    >"$dir/job.log" 2>"$dir/job.err") || {
    echo "the job failed:" >&2
    cat "$dir/job.err" >&2
    exit 1
  }

  # The job's own order: a results page, then the cards of its ads, then the next page.
  sed -n 's/.*Загружаем страницу объявлений //p' "$dir/job.log" >"$dir/pages.txt"
  local n=0 config="$dir/pages.curl"
  : >"$config"
  while IFS= read -r url; do
    n=$((n + 1))
    printf 'url = "%s"\noutput = "%s/pages/%d.html"\n' "$url" "$dir" "$n" >>"$config"
  done <"$dir/pages.txt"
  curl -g -k -s -K "$config"
  for i in $(seq "$n"); do
    sed -n "${i}p" "$dir/pages.txt"
    grep -o 'href="[^"]*">Контактная информация' "$dir/pages/$i.html" |
      sed 's/^href="//; s/">Контактная информация$//; s/&amp;/\&/g'
  done | while IFS= read -r url; do
    printf 'url = "%s"\noutput = "/dev/null"\n' "$url"
  done >"$dir/sequence.curl"
  local requests
  requests=$(grep -c '^url' "$dir/sequence.curl")
  /usr/bin/time -v -o "$dir/curl.time" curl -g -k -s -K "$dir/sequence.curl"
  stop_engine

  local job curl
  job=$(wall_seconds "$dir/job.time")
  curl=$(wall_seconds "$dir/curl.time")
  awk -v ads="$ads" -v n="$requests" -v job="$job" -v curl="$curl" \
    -v peak="$(peak_kib "$dir/job.time")" -v jobcpu="$(cpu_seconds "$dir/job.time")" \
    -v curlcpu="$(cpu_seconds "$dir/curl.time")" 'BEGIN {
      printf "%-8s %-8s %-8.2f %-8.2f %-6.2f %-8s %-8.2f %-8.2f\n", ads, n, job, curl, job / curl,
        peak, jobcpu, curlcpu }'
}

echo "pages per query and region: $pages; queries: ${#queries[@]}; regions: $regions"
printf '%-8s %-8s %-8s %-8s %-6s %-8s %-8s %-8s\n' ads/page requests job_s curl_s ratio peak_KiB \
  job_cpu curl_cpu
measure "$base_ads"
measure $((base_ads * 2))
