#!/usr/bin/env bash
# Installs the Debian packages the build and the services need, when missing; with --tests also
# what the tests need (a browser, and playwright-core from npm into build/browser). What apt-get
# and npm say goes to build/install-deps.log (NB_INSTALL_LOG to put it elsewhere).
# Usage: scripts/install-deps.sh [--tests]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
log="${NB_INSTALL_LOG:-$root/build/install-deps.log}"

packages=(
  g++ cmake make pkg-config
  libboost1.81-dev libboost-json1.81-dev libboost-program-options1.81-dev libsodium-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  ngircd inspircd python3
  clang libclang-rt-14-dev
  # The package and its checks: cpack's dependency scan, the unit's check.
  dpkg-dev file systemd
)
# Node.js and npm come with the machine (they are not Debian's packages here).
[[ ${1:-} == --tests ]] && packages+=(chromium)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
if ((${#missing[@]} > 0)); then
  mkdir -p "$(dirname "$log")"
  echo "Installing ${missing[*]} with apt-get (its output: $log)"
  if ! { "${sudo_cmd[@]}" apt-get update -qq &&
         DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
       } > "$log" 2>&1; then
    echo "Installing failed; the end of $log:"
    tail -n 20 "$log"
    exit 1
  fi
  # The tests and the demo run InspIRCd privately; the package's own system service, started on
  # port 6667 where init allows it, would only be in the way.
  if [[ " ${missing[*]} " == *" inspircd "* ]]; then
    "${sudo_cmd[@]}" systemctl disable --now inspircd > /dev/null 2>&1 ||
      { "${sudo_cmd[@]}" service inspircd stop && "${sudo_cmd[@]}" update-rc.d inspircd disable; } > /dev/null 2>&1 || true
  fi
fi

if [[ ${1:-} == --tests && ! -d $root/build/browser/node_modules/playwright-core ]]; then
  mkdir -p "$(dirname "$log")"
  echo "Installing playwright-core into build/browser (its output: $log)"
  npm install --no-audit --no-fund --prefix "$root/build/browser" playwright-core@1 >> "$log" 2>&1 ||
    { echo "Installing playwright-core failed; the end of $log:"; tail -n 20 "$log"; exit 1; }
fi
