#!/usr/bin/env bash
# Installs what is missing, builds the program, and runs a demo network: a private ngIRCd (or,
# with --inspircd, InspIRCd) on 127.0.0.1:6667 (or the next free port) with the services linked
# to it, the example bot on it, and the statistics pages on http://127.0.0.1:8080/. Ctrl-C stops
# both.
# Usage: scripts/run.sh [--inspircd] [DATA_DIR] [nimbral2 options...]   (DATA_DIR defaults to ./data)
set -euo pipefail
cd "$(dirname "$0")/.."
server=ngircd
if [[ ${1:-} == --inspircd ]]; then
  server=inspircd
  shift
fi
data_dir="${1:-./data}"
shift || true
asked_port="${NB_IRC_PORT:-6667}"
web_port="${NB_WEB_PORT:-8080}"
# InspIRCd takes the services' link on a port of its own.
link_port=""
[[ $server == inspircd ]] && link_port="${NB_LINK_PORT:-7000}"

scripts/install-deps.sh
# Only the program: the tests and benchmarks would keep a small machine busy for many minutes.
scripts/build.sh nimbral2

port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
# Debian's own IRC server service, once installed, holds 6667: the demo takes the next free port.
irc_port="$asked_port"
while port_in_use "$irc_port"; do
  ((irc_port < asked_port + 100)) || { echo "Ports $asked_port to $irc_port are all in use. Choose another: NB_IRC_PORT=7100 $0"; exit 1; }
  irc_port=$((irc_port + 1))
done

mkdir -p "$data_dir"
chmod 700 "$data_dir"
# Ship the default help texts into a data directory that has none yet.
[[ -d "$data_dir/help" ]] || cp -r help "$data_dir/help"
[[ -d "$data_dir/bots" ]] || cp -r bots "$data_dir/bots"

# A new data directory gets settings that link to the demo server with a fresh password.
if [[ ! -f "$data_dir/settings.ini" ]]; then
  password="$(head -c 18 /dev/urandom | base64 | tr -dc 'A-Za-z0-9')"
  (umask 077; cat > "$data_dir/settings.ini" <<INI
[Server Information]
IP/Host=127.0.0.1
Port=${link_port:-$irc_port}
Password=$password
Server Name=services.localhost
Protocol=$server
[Global]
FirstTime=1
[General]
Reconnect Delay=5
Webserver Address=127.0.0.1
Webserver Port=$web_port
Webserver Autostart=1
Webstats Refresh=60
[Bot]
Script=example.nb2
INI
  )
fi

setting() {  # setting KEY: a value of [Server Information] in settings.ini
  sed -n "s/^$1=//p" "$data_dir/settings.ini" | head -n 1
}
general_setting() {  # general_setting KEY: a value of [General] in settings.ini
  sed -n "/^\[General\]/,/^\[/s/^$1=//p" "$data_dir/settings.ini" | head -n 1
}
if [[ $(setting Protocol) != "$server" ]]; then
  echo "$data_dir/settings.ini links with Protocol=$(setting Protocol); this demo runs $server. Use another data directory."
  exit 1
fi
if [[ $server == inspircd ]]; then
  # The port the settings name, as the link port of a data directory made earlier.
  link_port="$(setting Port)"
  if port_in_use "$link_port"; then
    echo "The link port $link_port is already in use. Choose another with a new data directory: NB_LINK_PORT=7100 $0 --inspircd DIR"
    exit 1
  fi
  scripts/inspircd-config.sh "$data_dir/inspircd.conf" "$irc_port" "$link_port" "$(setting Password)" "$(setting 'Server Name')"
else
  # The services link to the port the demo server listens on, whatever an earlier run wrote.
  if [[ "$(setting Port)" != "$irc_port" ]]; then
    sed -i -E "s/^[[:space:]]*Port[[:space:]]*=.*/Port=$irc_port/" "$data_dir/settings.ini"
    echo "settings.ini: Port=$irc_port, the demo server's port."
  fi
  link_port="$irc_port"
  scripts/ngircd-config.sh "$data_dir/ngircd.conf" "$irc_port" "$(setting Password)" "$(setting 'Server Name')"
fi

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

if [[ $server == inspircd ]]; then
  # InspIRCd will not run as root unless told that it is meant.
  root_option=()
  [[ $(id -u) -eq 0 ]] && root_option=(--runasroot)
  "$(command -v inspircd || echo /usr/sbin/inspircd)" --nofork --config="$data_dir/inspircd.conf" "${root_option[@]}" \
    >> "$data_dir/inspircd.log" 2>&1 &
else
  "$(command -v ngircd || echo /usr/sbin/ngircd)" -n -f "$data_dir/ngircd.conf" > "$data_dir/ngircd.log" 2>&1 &
fi
ngircd_pid=$!
for _ in $(seq 50); do
  port_in_use "$link_port" && break
  kill -0 "$ngircd_pid" 2>/dev/null || { echo "$server did not start (is port $irc_port in use?):"; cat "$data_dir/$server.log"; exit 1; }
  sleep 0.1
done
echo "Demo IRC server ($server) on 127.0.0.1:$irc_port (log: $data_dir/$server.log); starting the services."

# Passes the services' output through and, once they have linked for the first time, says
# that the network is ready.
show_services_output() {
  trap '' INT  # Ctrl-C reaches the whole terminal; keep passing on until the services are done
  local line ready="" web=""
  [[ $(general_setting 'Webserver Autostart') == 1 ]] &&
    web=" Statistics pages: http://127.0.0.1:$(general_setting 'Webserver Port')/."
  while IFS= read -r line || [[ -n $line ]]; do
    printf '%s\n' "$line"
    if [[ -z $ready && $line == *"has successfully connected"* ]]; then
      ready=1
      local moved=""
      [[ $irc_port == "$asked_port" ]] || moved=" on port $irc_port ($asked_port is in use)"
      echo "The demo network is ready$moved: connect an IRC client to 127.0.0.1:$irc_port and try" \
           "/msg NickServ help, /msg NickServ register <password>, /msg MemoServ help or /msg Nimbot hello.$web" \
           "Ctrl-C stops it."
    fi
  done
}
exec {services_output}> >(show_services_output)
output_pid=$!
build/nimbral2 --data-dir "$data_dir" "$@" >&"$services_output" 2>&1 &
services_pid=$!
exec {services_output}>&-
wait "$services_pid"
