#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test Tervaline.
# Needs root (apt-get); does nothing when everything is already there.
set -euo pipefail

packages=(
  g++ cmake make pkg-config dpkg-dev python3
  libgtest-dev
  libssl-dev libcli11-dev nlohmann-json3-dev
  libewf-dev ewf-tools
  libxml2-dev libxml2-utils sleuthkit
  qt6-base-dev libgl-dev
  fonts-ipafont-gothic fonts-dejavu-core
)
if [ "${TERVALINE_EXTRA_PACKAGES:-}" != "" ]; then
  # shellcheck disable=SC2206
  packages+=(${TERVALINE_EXTRA_PACKAGES})
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: these packages are missing: ${missing[*]}" >&2
  echo "install-deps: run as root (or with sudo) so that they can be installed" >&2
  exit 1
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
