# Sourced by bench/run with the server's address in BREVANT_TEST_*.
# The table brevant_bench_post.post_bench (10,000 rows, INT primary key) is made anew.
client=(mariadb --no-defaults -h "$BREVANT_TEST_HOST" -P "$BREVANT_TEST_PORT" -u "$BREVANT_TEST_USER")
[ -n "${BREVANT_TEST_PASSWORD:-}" ] && client+=("-p$BREVANT_TEST_PASSWORD")
db=brevant_bench_post
"${client[@]}" <<SQL
CREATE DATABASE IF NOT EXISTS $db;
USE $db;
CREATE OR REPLACE TABLE post_bench (id INT PRIMARY KEY, v INT);
INSERT INTO post_bench SELECT seq, 0 FROM seq_1_to_10000;
SQL
"$BREVANT_BENCH_BUILD/bench/post/bench_post" "$db" "$@"
