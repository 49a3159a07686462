#!/usr/bin/env bash
# Installs what the builds and tests need, from Debian's packages, when it is
# missing, then proves that every command and file the scripts rely on is
# there. Safe to run again.
set -euo pipefail
QV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$QV_ROOT/scripts/requirements.sh"

missing=()
for p in "${QV_PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# A package can install and still lack a command a script calls (wine64 has
# no wine command): name the gap here rather than as a time-out later.
absent=0
for entry in "${QV_REQUIREMENTS[@]}"; do
  read -r kind name package users <<<"$entry"
  if ! qv_requirement_path "$kind" "$name" >/dev/null; then
    echo "setup: $kind '$name' (for $users) is missing; it comes from the Debian package '$package'" >&2
    absent=1
  fi
done
[ "$absent" -eq 0 ] || { echo "setup: incomplete, see above" >&2; exit 1; }
