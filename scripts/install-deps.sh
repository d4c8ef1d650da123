#!/usr/bin/env bash
# Installs the Debian packages the build and the services need, when missing; with --tests also
# what the tests need (a browser, and playwright-core from npm into build/browser).
# Usage: scripts/install-deps.sh [--tests]
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  g++ cmake make pkg-config
  libboost1.81-dev libboost-json1.81-dev libboost-program-options1.81-dev libsodium-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  ngircd inspircd python3
  clang libclang-rt-14-dev
)
[[ ${1:-} == --tests ]] && packages+=(chromium nodejs npm)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if ((${#missing[@]} > 0)); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
  # The tests and the demo run InspIRCd privately; the package's own system service, started on
  # port 6667 where init allows it, would only be in the way.
  if [[ " ${missing[*]} " == *" inspircd "* ]]; then
    "${sudo_cmd[@]}" systemctl disable --now inspircd > /dev/null 2>&1 ||
      { "${sudo_cmd[@]}" service inspircd stop && "${sudo_cmd[@]}" update-rc.d inspircd disable; } > /dev/null 2>&1 || true
  fi
fi

if [[ ${1:-} == --tests && ! -d build/browser/node_modules/playwright-core ]]; then
  echo "Installing playwright-core into build/browser"
  npm install --silent --no-audit --no-fund --prefix build/browser playwright-core@1
fi
