# Sourced by bench/run. The embedded server needs no server of the run: a
# template data folder is bootstrapped once with mariadb-install-db, and every
# start is measured on a fresh copy of it; the open runs on a folder of its own
# that holds the fetch benchmark's table t (fetch_mixed), loaded once through the
# embedded library.
emb_dir=$BREVANT_BENCH_BUILD/bench-embedded
emb_user=(); [ "$(id -u)" = 0 ] && emb_user=(--user=root)
emb_bootstrap() {
  rm -rf "$1"
  mkdir -p "$emb_dir"
  mariadb-install-db --no-defaults --datadir="$1" --auth-root-authentication-method=normal \
    --skip-test-db "${emb_user[@]}" >"$emb_dir/install.log" 2>&1 \
    || { echo "bench embedded: mariadb-install-db failed, see $emb_dir/install.log" >&2; exit 1; }
}
if [ ! -d "$emb_dir/template/mysql" ]; then
  echo "bench embedded: bootstrapping the template data folder" >&2
  emb_bootstrap "$emb_dir/template"
fi
if [ ! -f "$emb_dir/open.loaded" ]; then
  echo "bench embedded: loading fetch_mixed into the open folder (once)" >&2
  emb_bootstrap "$emb_dir/open"
  "$BREVANT_BENCH_BUILD/bench/embedded/bench_embedded" load "$emb_dir/open" \
    || { echo "bench embedded: loading the open folder failed" >&2; exit 1; }
  : >"$emb_dir/open.loaded"
fi
"$BREVANT_BENCH_BUILD/bench/embedded/bench_embedded" "$emb_dir/template" "$emb_dir/open"
