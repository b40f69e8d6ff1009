# Sourced by bench/run with the server's address in BREVANT_TEST_*.
# The fetch benchmark's database (fetch_mixed, 1,000,000 rows with a BLOB column, and
# fetch_ints, 200,000 rows of ten INT columns) backed up by the window's "Backup"
# (Unicode on: a UTF-16 file) beside mariadb-dump --net-buffer-length=16384 of the same
# database, alternately, each in a process of its own; medians of the rounds.
# Targets: wall and client CPU at most 1.0x; the file, measured as UTF-8, within 5 % of
# mariadb-dump's; peak resident memory at most 1.2x. A text file cannot carry raw
# bytes, so binary values are written as hexadecimal (twice their size); mariadb-dump
# writes them raw. The size is therefore also taken against mariadb-dump --hex-blob
# (once, untimed), and that is the size the last line weighs.
. "$here/fetch/tables.sh"
# A second argument "sakila" takes the sakila sample database instead (loaded once).
if [ "${2:-}" = sakila ]; then
  db=sakila
  if [ -z "$("${client[@]}" -N -e "SHOW DATABASES LIKE 'sakila'")" ]; then
    cat "$BREVANT_TESTDATA/sakila/sakila-schema.sql" "$BREVANT_TESTDATA/sakila/sakila-data.sql" | "${client[@]}"
  fi
fi
exe=$BREVANT_BENCH_BUILD/bench/dump/bench_dump
rounds=${1:-3}
work=$BREVANT_BENCH_BUILD/bench-dump
mkdir -p "$work"
peer=(mariadb-dump --no-defaults -h "$BREVANT_TEST_HOST" -P "$BREVANT_TEST_PORT" -u "$BREVANT_TEST_USER"
      --net-buffer-length=16384)
[ -n "${BREVANT_TEST_PASSWORD:-}" ] && peer+=("-p$BREVANT_TEST_PASSWORD")
field() { awk -v k="$1" '$1 == k {print $2}' <<<"$2"; }
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
our_s=() our_cpu=() our_rss=() our_base=() peer_s=() peer_cpu=() peer_rss=()
for ((r = 0; r < rounds; r++)); do
  rm -f "$work/$db.sql"
  out=$("$exe" backup "$db" "$work") || { echo "bench dump: the window's backup failed" >&2; exit 1; }
  our_s+=("$(field seconds "$out")") our_cpu+=("$(field cpu "$out")")
  our_rss+=("$(field rss_kb "$out")") our_base+=("$(field base_kb "$out")")
  /usr/bin/time -f '%e %U %S %M' -o "$work/peer.time" "${peer[@]}" "$db" >"$work/peer.sql" ||
    { echo "bench dump: mariadb-dump failed" >&2; exit 1; }
  read -r e u s m <"$work/peer.time"
  peer_s+=("$e") peer_cpu+=("$(awk -v u="$u" -v s="$s" 'BEGIN {print u + s}')") peer_rss+=("$m")
done
our_size=$(iconv -f UTF-16 -t UTF-8 <"$work/$db.sql" | wc -c)
peer_size=$(wc -c <"$work/peer.sql")
"${peer[@]}" --hex-blob "$db" >"$work/peer.sql" || { echo "bench dump: mariadb-dump --hex-blob failed" >&2; exit 1; }
hex_size=$(wc -c <"$work/peer.sql")
rm -f "$work/peer.sql" "$work/$db.sql"
os=$(median "${our_s[@]}") oc=$(median "${our_cpu[@]}") orss=$(median "${our_rss[@]}") obase=$(median "${our_base[@]}")
ps=$(median "${peer_s[@]}") pc=$(median "${peer_cpu[@]}") prss=$(median "${peer_rss[@]}")
# The window's process holds Qt and the window before the button is pressed; what the
# backup itself adds is its peak above that.
ogrow=$((orss - obase))
echo "database $db (medians of $rounds rounds)"
echo "brevant: $os s wall, $oc s cpu, peak resident $((orss / 1024)) MB ($((obase / 1024)) MB window before the backup, $((ogrow / 1024)) MB added by the backup), file $our_size bytes as UTF-8"
echo "mariadb-dump: $ps s wall, $pc s cpu, peak resident $((prss / 1024)) MB, file $peer_size bytes ($hex_size with --hex-blob)"
awk -v os="$os" -v ps="$ps" -v oc="$oc" -v pc="$pc" -v osz="$our_size" -v psz="$peer_size" -v hsz="$hex_size" \
    -v og="$ogrow" -v orss="$orss" -v prss="$prss" 'BEGIN {
  wall = os / ps; cpu = oc / pc; size = osz / psz; hex = osz / hsz; dev = (hex > 1 ? hex - 1 : 1 - hex) / 0.05
  rss = og / prss
  printf "wall ratio: %.2f\ncpu ratio: %.2f\nsize ratio: %.3f\nsize ratio (against --hex-blob): %.3f\n", wall, cpu, size, hex
  printf "rss ratio (added by the backup): %.2f\n", rss
  printf "rss ratio (whole process): %.2f\n", orss / prss
  worst = wall; if (cpu > worst) worst = cpu; if (dev > worst) worst = dev; if (rss / 1.2 > worst) worst = rss / 1.2
  printf "ratio: %.2f\n", worst
}'
