# Sourced by bench/run. The store benchmark needs no server data: it builds the
# records of the fetch benchmark's mixed table from prepared values.
"$BREVANT_BENCH_BUILD/bench/store/bench_store" "$@"
