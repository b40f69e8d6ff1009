# Sourced by bench/run with the server's address in BREVANT_TEST_*.
. "$here/fetch/tables.sh"
if [ "${1:-}" = "--callgrind" ]; then
  # One round of both tables under callgrind; the instructions inside each
  # client's fetch function (the server runs outside valgrind).
  out=$BREVANT_BENCH_BUILD/callgrind.fetch.out
  valgrind --tool=callgrind --callgrind-out-file="$out" "$BREVANT_BENCH_BUILD/bench/fetch/bench_fetch" "$db" 1 >&2
  callgrind_annotate --inclusive=yes "$out" >"$out.txt"
  ours=$(grep -m1 'BrevantFetch' "$out.txt" | awk '{gsub(",", "", $1); print $1}')
  peer=$(grep -m1 'PeerFetch' "$out.txt" | awk '{gsub(",", "", $1); print $1}')
  printf 'callgrind instructions: brevant %s  libmariadb %s\n' "$ours" "$peer"
  awk -v a="$ours" -v b="$peer" 'BEGIN { printf "ratio: %.2f\n", a / b }'
else
  "$BREVANT_BENCH_BUILD/bench/fetch/bench_fetch" "$db" "$@"
fi
