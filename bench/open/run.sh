# Sourced by bench/run with the server's address in BREVANT_TEST_*. Uses the fetch
# benchmark's tables in brevant_bench_fetch (bench/fetch/run.sh makes them).
client=(mariadb --no-defaults -h "$BREVANT_TEST_HOST" -P "$BREVANT_TEST_PORT" -u "$BREVANT_TEST_USER")
[ -n "${BREVANT_TEST_PASSWORD:-}" ] && client+=("-p$BREVANT_TEST_PASSWORD")
db=brevant_bench_fetch
ready=$("${client[@]}" -N -e "SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = '$db' AND table_name IN ('fetch_mixed', 'fetch_ints')")
if [ "$ready" != 2 ]; then
  echo "bench open: the tables of $db are missing; making them with bench/fetch once" >&2
  # Its own program may not be built here; only the tables are wanted.
  (source "$BREVANT_SOURCE_DIR/bench/fetch/run.sh" 1 >/dev/null 2>&1) || true
fi
"$BREVANT_BENCH_BUILD/bench/open/bench_open" "$db" "$@"
