# Sourced by demo and check: runs `qz serve` over a server tree on a free loopback port.
# start_qz_serve QZ TREE WORKDIR  -> sets QZ_SERVE_URL and QZ_SERVE_PID, trusts its CA
start_qz_serve() {
  local qz=$1 tree=$2 work=$3
  mkdir -p "$work"
  "$qz" serve --root "$tree" --port 0 --cert "$work/cert.pem" --key "$work/key.pem" >"$work/serve.log" 2>&1 &
  QZ_SERVE_PID=$!
  for _ in $(seq 1 100); do
    QZ_SERVE_URL=$(grep -o 'https://127\.0\.0\.1:[0-9]*' "$work/serve.log" | head -1 || true)
    [ -n "$QZ_SERVE_URL" ] && break
    kill -0 "$QZ_SERVE_PID" 2>/dev/null || { cat "$work/serve.log" >&2; return 1; }
    sleep 0.1
  done
  [ -n "$QZ_SERVE_URL" ] || { echo "qz serve did not start" >&2; return 1; }
  export QZ_SERVE_URL QZ_SERVE_PID
}

stop_qz_serve() {
  [ -n "${QZ_SERVE_PID:-}" ] && kill "$QZ_SERVE_PID" 2>/dev/null && wait "$QZ_SERVE_PID" 2>/dev/null
  QZ_SERVE_PID=
}
