#!/usr/bin/env bash
# Installs the Debian packages the build, the services and the tests need, when missing. What
# apt-get says goes to build/install-deps.log (NB_INSTALL_LOG to put it elsewhere).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
log="${NB_INSTALL_LOG:-$root/build/install-deps.log}"

packages=(
  g++ cmake make pkg-config
  libboost1.81-dev libboost-json1.81-dev libboost-program-options1.81-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  ngircd python3
  clang libclang-rt-14-dev
  # The package and its checks: cpack's dependency scan, the unit's check.
  dpkg-dev file systemd
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
((${#missing[@]} > 0)) || exit 0

mkdir -p "$(dirname "$log")"
echo "Installing ${missing[*]} with apt-get (its output: $log)"
sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
if ! { "${sudo_cmd[@]}" apt-get update -qq &&
       DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
     } > "$log" 2>&1; then
  echo "Installing failed; the end of $log:"
  tail -n 20 "$log"
  exit 1
fi
