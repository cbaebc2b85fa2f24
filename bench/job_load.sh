#!/usr/bin/env bash
# Load test: one headless job with no pause between requests against the demo engine, sized to
# ADS ads in all (4 queries x 5 regions, 50 ads per result page, every card answered). The job is
# sampled while it runs: its log is read line by line, and each time another tenth of the rows
# is in the result table the elapsed time, the CPU time and the memory of the process
# (VmRSS, VmHWM from /proc) are taken. Per stretch between two samples it prints the wall and
# CPU time per ad and the memory added per row, so growth that is not linear shows as a rising
# column.
# Usage: bench/job_load.sh [BUILD_DIR] [ADS]   (defaults build/release and 100000; ADS a
#        multiple of 1000; needs korvath-cli and korvath-demo-engine built there)
set -euo pipefail
cd "$(dirname "$0")/.."

build="$(realpath -m "${1:-build/release}")"
ads="${2:-100000}"
cli="$build/bin/korvath-cli"
engine="$build/bin/korvath-demo-engine"
queries=("пластиковые окна" "ремонт квартир" "доставка цветов" "юридические услуги")
regions="Москва=213,Санкт-Петербург=2,Екатеринбург=54,Новосибирск=65,Казань=43"
pairs=20
ads_per_page=50

if ! [[ "$ads" =~ ^[1-9][0-9]*$ ]] || ((ads % (pairs * ads_per_page) != 0)); then
  echo "ADS must be a positive multiple of $((pairs * ads_per_page)), not \"$ads\"" >&2
  exit 2
fi
pages=$((ads / (pairs * ads_per_page)))
ads_per_pair=$((pages * ads_per_page))

source bench/script_support.sh
require_programs "$cli" "$engine" /usr/bin/time
make_scratch load

mkdir -p "$scratch/program" "$scratch/work"
printf '%s\r\n' "${queries[@]}" >"$scratch/program/keywords.txt"

start_engine --pages "$pages" --ads "$ads_per_page" --no-missing-cards

echo "ads: $ads = ${#queries[@]} queries x 5 regions x $pages pages x $ads_per_page ads;" \
  "interval 0; $(nproc) cores; load average $(cut -d' ' -f1-3 /proc/loadavg)"

mkfifo "$scratch/log.fifo"
start=$(date +%s.%N)
(cd "$scratch/work" && exec /usr/bin/time -v -o "$scratch/job.time" "$cli" run \
  --dir "$scratch/program" --origin "$origin" --interval 0 --regions "$regions" \
  >"$scratch/log.fifo" 2>"$scratch/job.err") &
timer_pid=$!
kill_on_exit "$timer_pid"

# A row is appended once its card step is over, so when the card of position P of the K-th query
# and region is about to be loaded, (K - 1) * ads_per_pair + P - 1 rows are in the table. The last sample is
# taken at the final save's first line, when every row is in, if the job has not ended by the
# time its log is read that far. Samples are "rows wall cpu rss hwm" (seconds, KiB).
# /usr/bin/time runs the job as its only child; the samples must read the job's own figures.
awk -v timer="$timer_pid" -v start="$start" -v total="$ads" -v per_pair="$ads_per_pair" \
  -v tick="$(getconf CLK_TCK)" -v logfile="$scratch/job.log" -v samples="$scratch/samples" '
  function sample(rows,   now, line, f, rss, hwm) {
    if (pid == "") { ("pgrep -P " timer) | getline pid; close("pgrep -P " timer) }
    "date +%s.%N" | getline now; close("date +%s.%N")
    if ((getline line < ("/proc/" pid "/stat")) <= 0) return
    close("/proc/" pid "/stat")
    sub(/^.*\) /, "", line); split(line, f, " ")
    cpu = (f[12] + f[13]) / tick
    while ((getline line < ("/proc/" pid "/status")) > 0) {
      if (line ~ /^VmRSS:/) { split(line, f, " "); rss = f[2] }
      if (line ~ /^VmHWM:/) { split(line, f, " "); hwm = f[2] }
    }
    close("/proc/" pid "/status")
    print rows, now - start, cpu, rss, hwm > samples
    next_mark += total / 10
  }
  BEGIN { next_mark = total / 10 }
  { print > logfile }
  /Запускаем запрос/ { pair++ }
  /Загружаем карточку контактов для объявления [0-9]+:/ {
    split($0, f, "объявления "); split(f[2], g, ":")
    rows = (pair - 1) * per_pair + g[1] - 1
    if (rows >= next_mark && rows < total) sample(rows)
  }
  /: Сбор данных завершен/ { sample(total) }
' <"$scratch/log.fifo"

status=0
wait "$timer_pid" || status=$?
if ((status != 0)); then
  echo "the job failed with status $status:" >&2
  cat "$scratch/job.err" >&2
  tail -5 "$scratch/job.log" >&2
  exit 1
fi
rows=$(($(grep -c $'\r$' "$scratch/program/current.csv") - 1))
if ((rows != ads)); then
  echo "current.csv holds $rows rows, not $ads" >&2
  exit 1
fi

# The last line is the whole job as /usr/bin/time saw it: the final save, the log file and the
# exit included; its memory is the peak only.
awk -F': ' -v ads="$ads" '
  /Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i] }
  /Maximum resident set size/ { peak = $2 }
  /User time|System time/ { cpu += $2 }
  END { print "exit", s, cpu, "-", peak }' "$scratch/job.time" >>"$scratch/samples"

awk -v ads="$ads" '
  BEGIN {
    printf "%-8s %-8s %-8s %-8s %-9s %-8s %-8s %-8s\n", "rows", "wall_s", "cpu_s", "us/ad",
      "cpu_us/ad", "RSS_MiB", "peak_MiB", "B/row"
  }
  {
    rows = $1 == "exit" ? ads : $1
    stretch = rows - last_rows
    printf "%-8s %-8.2f %-8.2f %-8s %-9s %-8s %-8.1f %-8s\n", $1, $2, $3,
      stretch ? sprintf("%.0f", ($2 - last_wall) / stretch * 1e6) : "-",
      stretch ? sprintf("%.0f", ($3 - last_cpu) / stretch * 1e6) : "-",
      $4 == "-" ? "-" : sprintf("%.1f", $4 / 1024), $5 / 1024,
      $4 == "-" || !last_rows ? "-" : sprintf("%.0f", ($4 - last_rss) * 1024 / stretch)
    last_rows = rows; last_wall = $2; last_cpu = $3; if ($4 != "-") last_rss = $4
  }' "$scratch/samples"
# What the job kept for the whole run, as the files it saved at its end hold it.
log_file=$(ls "$scratch"/program/log-*.txt)
echo "current.csv: $(($(stat -c %s "$scratch/program/current.csv") / 1024)) KiB;" \
  "log file: $(($(stat -c %s "$log_file") / 1024)) KiB, $(grep -c $'\r$' "$log_file") lines"
