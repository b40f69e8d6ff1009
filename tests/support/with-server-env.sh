#!/usr/bin/env bash
# with-server-env.sh ENVFILE PROGRAM [ARGS...]: runs PROGRAM with the test server's
# address exported, unless BREVANT_TEST_HOST is already set (a server of your own).
envfile=$1; shift
if [ -z "${BREVANT_TEST_HOST:-}" ] && [ -f "$envfile" ]; then
  set -a; . "$envfile"; set +a
fi
exec "$@"
