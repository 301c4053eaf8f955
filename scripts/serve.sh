# Sourced by demo and check: runs `qz serve` over a server tree on a free loopback port.
# start_qz_serve QZ TREE TLSDIR [OPTION...]  -> sets QZ_SERVE_URL and QZ_SERVE_PID (and records the
# pid for stop_all_qz_serve); the certificate is TLSDIR/cert.pem, made on first use.
QZ_SERVE_PIDS=()

start_qz_serve() {
  local qz=$1 tree=$2 tls=$3
  shift 3
  mkdir -p "$tls"
  "$qz" serve --root "$tree" --port 0 --cert "$tls/cert.pem" --key "$tls/key.pem" "$@" >"$tls/serve.log" 2>&1 &
  QZ_SERVE_PID=$!
  QZ_SERVE_PIDS+=("$QZ_SERVE_PID")
  QZ_SERVE_URL=
  for _ in $(seq 1 200); do
    QZ_SERVE_URL=$(grep -o 'https://127\.0\.0\.1:[0-9]*' "$tls/serve.log" | head -1 || true)
    [ -n "$QZ_SERVE_URL" ] && return 0
    kill -0 "$QZ_SERVE_PID" 2>/dev/null || break
    sleep 0.1
  done
  cat "$tls/serve.log" >&2
  echo "qz serve did not start" >&2
  return 1
}

stop_all_qz_serve() {
  local pid
  for pid in "${QZ_SERVE_PIDS[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  QZ_SERVE_PIDS=()
}
