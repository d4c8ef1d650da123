#!/usr/bin/env bash
# Installs what is missing, builds, and runs the services on the data directory
# (default ./data, or the first argument). Extra arguments go to nimbral2.
set -euo pipefail
cd "$(dirname "$0")/.."
data_dir="${1:-./data}"
shift || true
scripts/install-deps.sh
scripts/build.sh
mkdir -p "$data_dir"
# Ship the default help texts into a data directory that has none yet.
[[ -d "$data_dir/help" ]] || cp -r help "$data_dir/help"
exec build/nimbral2 --data-dir "$data_dir" "$@"
