# Sourced by bench/run with the server's address in BREVANT_TEST_*.
# The fetch benchmark's database is backed up once by the window ("Backup", Unicode
# on: a UTF-16 file); then, alternately, the window's "Restaura" of that file and the
# mariadb client reading the same statements (the file as UTF-8, which it needs) each
# restore it into a fresh database, in processes of their own; medians of the rounds.
# Targets: wall at most 1.05x, client CPU at most 1.0x; peak resident memory printed.
. "$here/fetch/tables.sh"
# A second argument "sakila" takes the sakila sample database instead (loaded once).
if [ "${2:-}" = sakila ]; then
  db=sakila
  if [ -z "$("${client[@]}" -N -e "SHOW DATABASES LIKE 'sakila'")" ]; then
    cat "$BREVANT_TESTDATA/sakila/sakila-schema.sql" "$BREVANT_TESTDATA/sakila/sakila-data.sql" | "${client[@]}"
  fi
fi
exe=$BREVANT_BENCH_BUILD/bench/restore/bench_restore
rounds=${1:-3}
work=$BREVANT_BENCH_BUILD/bench-restore
target=brevant_bench_restore
mkdir -p "$work"
field() { awk -v k="$1" '$1 == k {print $2}' <<<"$2"; }
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
if [ ! -s "$work/$db.sql" ]; then
  "$exe" backup "$db" "$work" >/dev/null || { echo "bench restore: the window's backup failed" >&2; exit 1; }
  iconv -f UTF-16 -t UTF-8 <"$work/$db.sql" >"$work/$db.utf8.sql"
fi
fresh() { "${client[@]}" -e "DROP DATABASE IF EXISTS $target; CREATE DATABASE $target"; }
our_s=() our_cpu=() our_rss=() our_base=() peer_s=() peer_cpu=() peer_rss=()
for ((r = 0; r < rounds; r++)); do
  fresh
  out=$("$exe" restore "$target" "$work/$db.sql") || { echo "bench restore: the window's restore failed" >&2; exit 1; }
  our_s+=("$(field seconds "$out")") our_cpu+=("$(field cpu "$out")")
  our_rss+=("$(field rss_kb "$out")") our_base+=("$(field base_kb "$out")")
  fresh
  /usr/bin/time -f '%e %U %S %M' -o "$work/peer.time" "${client[@]}" "$target" <"$work/$db.utf8.sql" ||
    { echo "bench restore: the mariadb client failed" >&2; exit 1; }
  read -r e u s m <"$work/peer.time"
  peer_s+=("$e") peer_cpu+=("$(awk -v u="$u" -v s="$s" 'BEGIN {print u + s}')") peer_rss+=("$m")
done
tables=$("${client[@]}" -N -e "SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = '$target'")
"${client[@]}" -e "DROP DATABASE IF EXISTS $target"
os=$(median "${our_s[@]}") oc=$(median "${our_cpu[@]}") orss=$(median "${our_rss[@]}") obase=$(median "${our_base[@]}")
ps=$(median "${peer_s[@]}") pc=$(median "${peer_cpu[@]}") prss=$(median "${peer_rss[@]}")
echo "file $(wc -c <"$work/$db.sql") bytes (UTF-16), tables and views after the last restore: $tables (medians of $rounds rounds)"
echo "brevant: $os s wall, $oc s cpu, peak resident $((orss / 1024)) MB ($((obase / 1024)) MB window before the restore)"
echo "mariadb: $ps s wall, $pc s cpu, peak resident $((prss / 1024)) MB"
awk -v os="$os" -v ps="$ps" -v oc="$oc" -v pc="$pc" 'BEGIN {
  wall = os / ps; cpu = oc / pc
  printf "wall ratio: %.2f\ncpu ratio: %.2f\n", wall, cpu
  worst = wall / 1.05; if (cpu > worst) worst = cpu
  printf "ratio: %.2f\n", worst
}'
