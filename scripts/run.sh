#!/usr/bin/env bash
# Installs what is missing, builds the program, and runs a demo network: a private ngIRCd on
# 127.0.0.1:6667 (or the next free port) with the services linked to it. Ctrl-C stops both.
# Usage: scripts/run.sh [DATA_DIR] [nimbral2 options...]   (DATA_DIR defaults to ./data)
set -euo pipefail
cd "$(dirname "$0")/.."
data_dir="${1:-./data}"
shift || true
asked_port="${NB_IRC_PORT:-6667}"

scripts/install-deps.sh
# Only the program: the tests and benchmarks would keep a small machine busy for many minutes.
scripts/build.sh nimbral2

port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
# Debian's own ngIRCd service, once installed, holds 6667: the demo takes the next free port.
irc_port="$asked_port"
while port_in_use "$irc_port"; do
  ((irc_port < asked_port + 100)) || { echo "Ports $asked_port to $irc_port are all in use. Choose another: NB_IRC_PORT=7000 $0"; exit 1; }
  irc_port=$((irc_port + 1))
done

mkdir -p "$data_dir"
chmod 700 "$data_dir"
# Ship the default help texts into a data directory that has none yet.
[[ -d "$data_dir/help" ]] || cp -r help "$data_dir/help"

# A new data directory gets settings that link to the demo server with a fresh password.
if [[ ! -f "$data_dir/settings.ini" ]]; then
  password="$(head -c 18 /dev/urandom | base64 | tr -dc 'A-Za-z0-9')"
  (umask 077; cat > "$data_dir/settings.ini" <<INI
[Server Information]
IP/Host=127.0.0.1
Port=$irc_port
Password=$password
Server Name=services.localhost
Protocol=ngircd
[Global]
FirstTime=1
[General]
Reconnect Delay=5
INI
  )
fi

setting() {  # setting KEY: a value of [Server Information] in settings.ini
  sed -n "s/^$1=//p" "$data_dir/settings.ini" | head -n 1
}
# The services link to the port the demo server listens on, whatever an earlier run wrote.
if [[ "$(setting Port)" != "$irc_port" ]]; then
  sed -i -E "s/^[[:space:]]*Port[[:space:]]*=.*/Port=$irc_port/" "$data_dir/settings.ini"
  echo "settings.ini: Port=$irc_port, the demo server's port."
fi
scripts/ngircd-config.sh "$data_dir/ngircd.conf" "$irc_port" "$(setting Password)" "$(setting 'Server Name')"

ngircd_pid="" services_pid="" output_pid=""
stop_demo() {
  kill $services_pid $ngircd_pid 2>/dev/null || true
  # The output filter ends when the services close their output, after their last words.
  for pid in $services_pid $ngircd_pid $output_pid; do
    wait "$pid" 2>/dev/null || true
  done
}
trap stop_demo EXIT
trap 'exit 130' INT TERM

ngircd_bin="$(command -v ngircd || echo /usr/sbin/ngircd)"
"$ngircd_bin" -n -f "$data_dir/ngircd.conf" > "$data_dir/ngircd.log" 2>&1 &
ngircd_pid=$!
for _ in $(seq 50); do
  port_in_use "$irc_port" && break
  kill -0 "$ngircd_pid" 2>/dev/null || { echo "ngIRCd did not start (is port $irc_port in use?):"; cat "$data_dir/ngircd.log"; exit 1; }
  sleep 0.1
done
echo "Demo IRC server on 127.0.0.1:$irc_port (log: $data_dir/ngircd.log); starting the services."

# Passes the services' output through and, once they have linked for the first time, says
# that the network is ready.
show_services_output() {
  trap '' INT  # Ctrl-C reaches the whole terminal; keep passing on until the services are done
  local line ready=""
  while IFS= read -r line || [[ -n $line ]]; do
    printf '%s\n' "$line"
    if [[ -z $ready && $line == *"has successfully connected"* ]]; then
      ready=1
      local moved=""
      [[ $irc_port == "$asked_port" ]] || moved=" on port $irc_port ($asked_port is in use)"
      echo "The demo network is ready$moved: connect an IRC client to 127.0.0.1:$irc_port and try" \
           "/msg NickServ help, /msg NickServ register <password> or /msg MemoServ help. Ctrl-C stops it."
    fi
  done
}
exec {services_output}> >(show_services_output)
output_pid=$!
build/nimbral2 --data-dir "$data_dir" "$@" >&"$services_output" 2>&1 &
services_pid=$!
exec {services_output}>&-
wait "$services_pid"
