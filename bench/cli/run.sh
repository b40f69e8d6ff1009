# Sourced by bench/run with the server's address in BREVANT_TEST_*. The table t of
# brevant_bench_cli is the first 300,000 rows of the fetch benchmark's mixed table
# (numbers, text, dates, decimals, binary), made once per server.
. "$here/fetch/tables.sh"
cli_db=brevant_bench_cli
ready=$("${client[@]}" -N -e "SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = '$cli_db' AND table_name = 't'")
if [ "$ready" != 1 ]; then
  echo "bench cli: making the table t in $cli_db" >&2
  "${client[@]}" -e "CREATE DATABASE IF NOT EXISTS $cli_db;
    CREATE OR REPLACE TABLE $cli_db.t LIKE $db.fetch_mixed;
    INSERT INTO $cli_db.t SELECT * FROM $db.fetch_mixed WHERE id <= 300000;"
fi
cli_work=$BREVANT_BENCH_BUILD/bench-cli
mkdir -p "$cli_work"
"$BREVANT_BENCH_BUILD/bench/cli/bench_cli" "$cli_db" "$cli_work" "$@"
