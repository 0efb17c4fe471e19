#!/usr/bin/env bash
# Checks the packages the build needs and installs the missing ones: apt-get on Debian when run as root,
# brew on macOS; otherwise prints the exact command to run.
set -euo pipefail

debian_packages=(cmake ninja-build clang libclang-rt-14-dev g++ libicu-dev libexpat1-dev nlohmann-json3-dev
                 libgtest-dev libgmock-dev libbenchmark-dev)
brew_packages=(cmake ninja nlohmann-json googletest google-benchmark)

if [[ "$(uname -s)" == "Darwin" ]]; then
  # Apple's compiler, SDK and make come with the command-line tools; everything else from Homebrew.
  if ! xcode-select -p >/dev/null 2>&1 || ! xcrun --find clang++ >/dev/null 2>&1; then
    echo "The Xcode command-line tools are missing. Run:"
    echo "  xcode-select --install"
    echo "then run the build again."
    exit 1
  fi
  if ! command -v brew >/dev/null 2>&1; then
    echo "Homebrew is missing. Install it as https://brew.sh says, then run:"
    echo "  brew install ${brew_packages[*]}"
    exit 1
  fi
  missing=()
  for p in "${brew_packages[@]}"; do
    brew list --versions "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "Installing with brew: ${missing[*]}"
    brew install "${missing[@]}"
  fi
  exit 0
fi

if command -v dpkg-query >/dev/null 2>&1; then
  missing=()
  for p in "${debian_packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
  done
  if ((${#missing[@]})); then
    if [[ $(id -u) -eq 0 ]]; then
      echo "Installing with apt-get: ${missing[*]}"
      apt-get update -qq || true
      DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
    else
      echo "Missing packages. Run:"
      echo "  sudo apt-get install -y ${missing[*]}"
      exit 1
    fi
  fi
  exit 0
fi

echo "Not Debian or macOS: make sure CMake 3.25+, Ninja, clang 14+, ICU, expat, nlohmann/json, GoogleTest and"
echo "Google Benchmark are installed, then run the build again."
for tool in cmake ninja clang++; do
  command -v "$tool" >/dev/null 2>&1 || { echo "missing: $tool"; exit 1; }
done
