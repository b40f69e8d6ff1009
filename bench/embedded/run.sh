# Sourced by bench/run. The embedded server needs no server of the run: a
# template data folder is bootstrapped once with mariadb-install-db, and every
# measurement starts on a fresh copy of it.
emb_dir=$BREVANT_BENCH_BUILD/bench-embedded
if [ ! -d "$emb_dir/template/mysql" ]; then
  echo "bench embedded: bootstrapping the template data folder" >&2
  rm -rf "$emb_dir/template"
  mkdir -p "$emb_dir"
  emb_user=(); [ "$(id -u)" = 0 ] && emb_user=(--user=root)
  mariadb-install-db --no-defaults --datadir="$emb_dir/template" --auth-root-authentication-method=normal \
    --skip-test-db "${emb_user[@]}" >"$emb_dir/install.log" 2>&1 \
    || { echo "bench embedded: mariadb-install-db failed, see $emb_dir/install.log" >&2; exit 1; }
fi
"$BREVANT_BENCH_BUILD/bench/embedded/bench_embedded" "$emb_dir/template" "$@"
