#!/usr/bin/env bash
# Fetcher with a large body: `korvath-cli fetch` of one file of MIB mebibytes over plain HTTP from
# a local `python3 -m http.server`, set against `curl` fetching the same address. Both run RUNS
# times, alternately; prints each run's wall and CPU time and peak memory, then the fastest of
# each and their ratio. The body is kept in memory by the fetcher (as in a job) and thrown away
# by curl.
# Usage: bench/fetch_large_body.sh [BUILD_DIR] [MIB] [RUNS]   (defaults build/release, 200, 5)
set -euo pipefail
cd "$(dirname "$0")/.."

build="$(realpath -m "${1:-build/release}")"
mib="${2:-200}"
runs="${3:-5}"
cli="$build/bin/korvath-cli"

source bench/script_support.sh
require_programs "$cli" /usr/bin/time curl python3
make_scratch fetch

mkdir -p "$scratch/site" "$scratch/program"
head -c "$((mib * 1024 * 1024))" /dev/urandom >"$scratch/site/body"
python3 -u -m http.server --bind 127.0.0.1 --directory "$scratch/site" 0 \
  >"$scratch/server.out" 2>"$scratch/server.err" &
kill_on_exit $!
port=
for _ in $(seq 100); do
  port=$(sed -n 's/.* port \([0-9]*\).*/\1/p' "$scratch/server.out")
  [[ -n "$port" ]] && break
  sleep 0.1
done
if [[ -z "$port" ]]; then
  echo "the HTTP server did not start" >&2
  cat "$scratch/server.err" >&2
  exit 1
fi
url="http://127.0.0.1:$port/body"

echo "body: $mib MiB; $(nproc) cores; load average $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-8s %-6s %-8s %-8s %-9s %s\n' client run wall_s cpu_s peak_MiB result
: >"$scratch/walls"
for run in $(seq "$runs"); do
  for client in korvath curl; do
    if [[ "$client" == korvath ]]; then
      command=("$cli" fetch --dir "$scratch/program" "$url")
    else
      command=(curl -s -S -o /dev/null -w '{"bytes": %{size_download}}\n' "$url")
    fi
    status=0
    /usr/bin/time -f '%e %U %S %M' -o "$scratch/time" "${command[@]}" >"$scratch/out" \
      2>"$scratch/err" || status=$?
    # A failed command gets a line of its own before the figures.
    read -r wall user system peak < <(tail -n 1 "$scratch/time")
    result=$(tr -d '\n' <"$scratch/out")
    ((status == 0)) || result="status $status: $(tr '\n' ' ' <"$scratch/err") $result"
    printf '%-8s %-6s %-8s %-8s %-9s %s\n' "$client" "$run" "$wall" \
      "$(echo "$user + $system" | bc | xargs printf "%.2f")" "$((peak / 1024))" "$result"
    ((status != 0)) || echo "$client $wall" >>"$scratch/walls"
  done
done
awk '{ if (!($1 in best) || $2 < best[$1]) best[$1] = $2 }
  END {
    if (!("korvath" in best) || !("curl" in best)) { print "no successful run of both"; exit }
    printf "fastest: korvath %.2f s, curl %.2f s, korvath / curl %.2f\n", best["korvath"],
      best["curl"], best["korvath"] / best["curl"]
  }' "$scratch/walls"
