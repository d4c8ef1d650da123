#!/usr/bin/env bash
# Installs what is missing, builds, and runs a demo network: a private ngIRCd on
# 127.0.0.1:6667 with the services linked to it. Ctrl-C stops both.
# Usage: scripts/run.sh [DATA_DIR] [nimbral2 options...]   (DATA_DIR defaults to ./data)
set -euo pipefail
cd "$(dirname "$0")/.."
data_dir="${1:-./data}"
shift || true
irc_port="${NB_IRC_PORT:-6667}"

scripts/install-deps.sh
scripts/build.sh

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
scripts/ngircd-config.sh "$data_dir/ngircd.conf" "$irc_port" "$(setting Password)" "$(setting 'Server Name')"

if (exec 3<>"/dev/tcp/127.0.0.1/$irc_port") 2>/dev/null; then
  echo "Port $irc_port is already in use (another IRC server?). Choose another: NB_IRC_PORT=6690 $0"
  exit 1
fi
ngircd_bin="$(command -v ngircd || echo /usr/sbin/ngircd)"
"$ngircd_bin" -n -f "$data_dir/ngircd.conf" > "$data_dir/ngircd.log" 2>&1 &
ngircd_pid=$!
trap 'kill "$ngircd_pid" 2>/dev/null || true; wait "$ngircd_pid" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  (exec 3<>"/dev/tcp/127.0.0.1/$irc_port") 2>/dev/null && break
  kill -0 "$ngircd_pid" 2>/dev/null || { echo "ngIRCd did not start (is port $irc_port in use?):"; cat "$data_dir/ngircd.log"; exit 1; }
  sleep 0.1
done
echo "Demo IRC server on 127.0.0.1:$irc_port (log: $data_dir/ngircd.log). Connect any IRC client to it."

build/nimbral2 --data-dir "$data_dir" "$@" &
services_pid=$!
trap 'kill "$services_pid" "$ngircd_pid" 2>/dev/null || true; wait 2>/dev/null || true' EXIT
trap 'exit 130' INT TERM
wait "$services_pid"
