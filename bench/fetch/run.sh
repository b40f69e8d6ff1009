# Sourced by bench/run with the server's address in BREVANT_TEST_*.
. "$here/fetch/tables.sh"
"$BREVANT_BENCH_BUILD/bench/fetch/bench_fetch" "$db" "$@"
