#!/usr/bin/env bash
# Writes a private ngIRCd configuration that accepts the services' link.
# Usage: ngircd-config.sh FILE PORT LINK_PASSWORD SERVICES_SERVER_NAME [PING_TIMEOUT]
# Optional environment: NGIRCD_PONG_TIMEOUT (seconds, default 20) and NGIRCD_OPERATOR
# ("name:password", adds an IRC operator who may log in from this machine).
set -euo pipefail
file="$1" port="$2" password="$3" services_name="$4" ping_timeout="${5:-120}"
pong_timeout="${NGIRCD_PONG_TIMEOUT:-20}"
operator="${NGIRCD_OPERATOR:-}"
dir="$(cd "$(dirname "$file")" && pwd)"
umask 077
cat > "$file" <<CONF
# Generated for Nimbral II: a loopback-only IRC server with the services link.
[Global]
	Name = irc.localhost
	Info = Nimbral II demo network
	Listen = 127.0.0.1
	Ports = $port
	MotdPhrase = Welcome to the Nimbral II demo network. Try /msg NickServ help
	PidFile = $dir/ngircd.pid
[Limits]
	PingTimeout = $ping_timeout
	PongTimeout = $pong_timeout
	MaxNickLength = 30
[Options]
	PAM = no
	Ident = no
	DNS = no
	OperCanUseMode = yes
[Server]
	Name = $services_name
	MyPassword = $password
	PeerPassword = $password
	ServiceMask = *Serv
CONF
if [ -n "$operator" ]; then
  cat >> "$file" <<CONF
[Operator]
	Name = ${operator%%:*}
	Password = ${operator#*:}
	Mask = *!*@127.0.0.1
CONF
fi
