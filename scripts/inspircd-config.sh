#!/usr/bin/env bash
# Writes a private InspIRCd 3 configuration that accepts the services' link: clients on one
# loopback port, the services' server link on another, the services server U-lined.
# Usage: inspircd-config.sh FILE CLIENT_PORT SERVER_PORT LINK_PASSWORD SERVICES_SERVER_NAME [PING_SECONDS]
# Optional environment: INSPIRCD_OPERATOR ("name:password", adds an IRC operator who may log in
# from this machine).
set -euo pipefail
file="$1" client_port="$2" server_port="$3" password="$4" services_name="$5" ping_seconds="${6:-120}"
operator="${INSPIRCD_OPERATOR:-}"
dir="$(cd "$(dirname "$file")" && pwd)"
umask 077
cat > "$file" <<CONF
# Generated for Nimbral II: a loopback-only IRC server with the services link.
<server name="irc.localhost" description="Nimbral II demo network" network="NimbralDemo">
<admin name="Nimbral II demo" nick="admin" email="admin@localhost">
<path configdir="$dir" datadir="$dir" logdir="$dir">
<pid file="$dir/inspircd.pid">
<bind address="127.0.0.1" port="$client_port" type="clients">
<bind address="127.0.0.1" port="$server_port" type="servers">
<dns timeout="1">
<connect allow="127.0.0.1" timeout="60" pingfreq="$ping_seconds" threshold="1000" commandrate="1000000"
         fakelag="no" localmax="100000" globalmax="100000" maxconnwarn="no" resolvehostnames="no" useident="no"
         hardsendq="1048576" softsendq="65536" recvq="65536">
<options allowzerolimit="no" hostintopic="no">
<performance clientsperip="100000" softlimit="100000">
<security hideserver="" announceinvites="dynamic">
<limits maxnick="30">
<log method="file" type="* -USERINPUT -USEROUTPUT" level="default" target="$dir/inspircd.log">
<module name="spanningtree">
<module name="services_account">
<module name="hidechans">
<link name="$services_name" ipaddr="127.0.0.1" port="$server_port" allowmask="127.0.0.0/8"
      sendpass="$password" recvpass="$password" timeout="30">
<uline server="$services_name" silent="yes">
<files motd="$dir/inspircd.motd">
CONF
echo "Welcome to the Nimbral II demo network. Try /msg NickServ help" > "$dir/inspircd.motd"
if [ -n "$operator" ]; then
  cat >> "$file" <<CONF
<class name="Everything" commands="*" privs="*" usermodes="*" chanmodes="*" snomasks="*">
<type name="NetAdmin" classes="Everything">
<oper name="${operator%%:*}" password="${operator#*:}" host="*@127.0.0.1 *@localhost" type="NetAdmin">
CONF
fi
