# Sourced with the server's address in BREVANT_TEST_* (bench/fetch and bench/window).
# Two tables in brevant_bench_fetch, made once per server: 1,000,000 rows of mixed
# columns and 200,000 rows of ten INT columns.
client=(mariadb --no-defaults -h "$BREVANT_TEST_HOST" -P "$BREVANT_TEST_PORT" -u "$BREVANT_TEST_USER")
[ -n "${BREVANT_TEST_PASSWORD:-}" ] && client+=("-p$BREVANT_TEST_PASSWORD")
db=brevant_bench_fetch
ready=$("${client[@]}" -N -e "SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = '$db' AND table_name IN ('fetch_mixed', 'fetch_ints')")
if [ "$ready" != 2 ]; then
  echo "bench fetch: making the tables in $db" >&2
  "${client[@]}" <<SQL
CREATE DATABASE IF NOT EXISTS $db;
USE $db;
CREATE OR REPLACE TABLE fetch_mixed (
  id INT PRIMARY KEY, big BIGINT, name VARCHAR(40), amount DECIMAL(12,2), stamp DATETIME,
  ratio DOUBLE, note TEXT, data BLOB);
INSERT INTO fetch_mixed
  SELECT seq, seq * 1000003, LEFT(CONCAT('name-', seq, '-', MD5(seq)), 40), seq / 7,
         '2020-01-01 00:00:00' + INTERVAL seq SECOND, seq * 1.25,
         LEFT(REPEAT(CONCAT(MD5(seq), ' '), 4), 100), LEFT(REPEAT(UNHEX(MD5(seq + 1)), 13), 200)
  FROM seq_1_to_1000000;
CREATE OR REPLACE TABLE fetch_ints (a INT, b INT, c INT, d INT, e INT, f INT, g INT, h INT, i INT, j INT);
INSERT INTO fetch_ints
  SELECT seq, seq + 1, seq * 2, seq % 1000, -seq, seq * 7, seq % 97, seq + 100000, seq * 3, 42
  FROM seq_1_to_200000;
SQL
fi
