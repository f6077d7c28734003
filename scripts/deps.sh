#!/usr/bin/env bash
# Installs the Debian packages the project needs, when any is missing.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config libgl-dev libglu1-mesa-dev libegl-dev libegl-mesa0 libgl1-mesa-dri
          libx11-dev libxtst-dev libcairo2-dev libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth x11-apps
          clang libclang-rt-14-dev python3 libassimp-dev libtinygltf-dev nodejs)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
fi
# The Khronos glTF validator (a Node package) for the export tests, kept inside the project.
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ ! -f "$root/.tools/node/node_modules/gltf-validator/package.json" ]; then
  echo "installing gltf-validator into .tools/node"
  npm install --no-audit --no-fund --silent --prefix "$root/.tools/node" gltf-validator@2.0.0-dev.3.10 >/dev/null
fi
