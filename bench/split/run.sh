# Sourced by bench/run with the server's address in BREVANT_TEST_*.
# The dump: sakila loaded into its own database and dumped with mariadb-dump, repeated
# until the file passes 200 MB; cached in the bench build folder.
dump=$BREVANT_BENCH_BUILD/split-dump.sql
if [ ! -s "$dump" ]; then
  client=(mariadb --no-defaults -h "$BREVANT_TEST_HOST" -P "$BREVANT_TEST_PORT" -u "$BREVANT_TEST_USER")
  [ -n "${BREVANT_TEST_PASSWORD:-}" ] && client+=("-p$BREVANT_TEST_PASSWORD")
  dumper=(mariadb-dump "${client[@]:1}")
  db=brevant_bench_sakila
  echo "bench split: loading sakila into $db" >&2
  for f in sakila-schema.sql sakila-data.sql; do
    sed -E "s/\bsakila\b/$db/g" "$BREVANT_TESTDATA/sakila/$f"
  done | "${client[@]}"
  "${dumper[@]}" --routines --triggers --databases "$db" >"$dump.one"
  "${client[@]}" -e "DROP DATABASE $db"
  : >"$dump.tmp"
  while [ "$(stat -c %s "$dump.tmp")" -lt $((200 * 1024 * 1024)) ]; do cat "$dump.one" >>"$dump.tmp"; done
  mv "$dump.tmp" "$dump"
  rm -f "$dump.one"
fi
"$BREVANT_BENCH_BUILD/bench/split/bench_split" "$dump" "$@"
