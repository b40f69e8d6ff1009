# Sourced by bench/run. The SQLite file is made once, through the driver, in the build
# folder; the MariaDB server that bench/run starts is not used here.
"$BREVANT_BENCH_BUILD/bench/odbc/bench_odbc" "$BREVANT_BENCH_BUILD/bench-odbc.db" "$@"
