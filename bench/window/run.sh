# Sourced by bench/run with the server's address in BREVANT_TEST_*.
# The fetch benchmark's 1,000,000-row table, run through the window's query pane and
# opened with TMyQuery alone, each in processes of its own, three rounds each.
. "$here/fetch/tables.sh"
exe=$BREVANT_BENCH_BUILD/bench/window/bench_window
sql="SELECT * FROM fetch_mixed"
rounds=${1:-3}
win_s=() win_scroll=() win_rss=() ds_s=() ds_rss=()
field() { awk -v k="$1" '$1 == k {print $2}' <<<"$2"; }
for ((r = 0; r < rounds; r++)); do
  out=$("$exe" window "$db" "$sql") || { echo "bench window: the window run failed" >&2; exit 1; }
  win_s+=("$(field seconds "$out")") win_scroll+=("$(field scroll "$out")") win_rss+=("$(field rss_kb "$out")")
  rows=$(field rows "$out")
  out=$("$exe" dataset "$db" "$sql") || { echo "bench window: the dataset run failed" >&2; exit 1; }
  ds_s+=("$(field seconds "$out")") ds_rss+=("$(field rss_kb "$out")")
done
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
ws=$(median "${win_s[@]}") wsc=$(median "${win_scroll[@]}") wr=$(median "${win_rss[@]}")
dss=$(median "${ds_s[@]}") dr=$(median "${ds_rss[@]}")
echo "rows: $rows (medians of $rounds runs; both modes show the main window, so Qt's own memory is in both)"
echo "window: query pane run until the grid painted: $ws s, peak resident $((wr / 1024)) MB"
echo "dataset: TMyQuery open alone: $dss s, peak resident $((dr / 1024)) MB"
echo "grid scrolled to the last row and painted: $wsc s"
awk -v a="$wr" -v b="$dr" 'BEGIN {printf "memory ratio: %.3f\n", a / b}'
awk -v a="$ws" -v b="$dss" 'BEGIN {printf "ratio: %.2f\n", a / b}'
