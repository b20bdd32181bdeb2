# Sourced by the demo and the hand-try: starts demo/web_server.py in the background and ends it
# when the sourcing script ends.
#   start_web_server LOG   sets web_address (http://127.0.0.1:PORT) and web_pid; the server's
#                          "[web] GET /path" lines go to the console and to LOG
#   stop_web_server        ends it (also run on the script's exit)

web_pid=
web_address=

stop_web_server() {
  [ -n "$web_pid" ] || return 0
  kill "$web_pid" 2>/dev/null || true
  # It looks at its stop request every half second; 5 s at the most, then it is killed.
  for _ in $(seq 1 50); do
    kill -0 "$web_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$web_pid" 2>/dev/null || true
  wait "$web_pid" 2>/dev/null || true
  web_pid=
}

start_web_server() {
  local log=$1 address_file
  address_file=$(mktemp -u "${TMPDIR:-/tmp}/duvisto-web.XXXXXX")
  python3 "$(dirname "${BASH_SOURCE[0]}")/web_server.py" --address-file "$address_file" --log "$log" &
  web_pid=$!
  trap stop_web_server EXIT
  trap 'stop_web_server; exit 130' INT
  trap 'stop_web_server; exit 143' TERM
  # It writes its address once it listens: 10 s at the most.
  for _ in $(seq 1 100); do
    [ -s "$address_file" ] && break
    kill -0 "$web_pid" 2>/dev/null || break
    sleep 0.1
  done
  web_address=$(cat "$address_file" 2>/dev/null || true)
  rm -f "$address_file"
  if [ -z "$web_address" ]; then
    echo "web server: it did not start (python3 $(dirname "${BASH_SOURCE[0]}")/web_server.py)" >&2
    stop_web_server
    return 1
  fi
}
