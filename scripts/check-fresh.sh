#!/usr/bin/env bash
# Proves that a fresh machine gets everything the scripts rely on from
# scripts/setup.sh alone. For every command and file of
# scripts/requirements.sh it finds the Debian package that provides it here
# and fails when that package is neither one setup.sh installs, nor pulled in
# by one of them, nor part of every Debian system: such a thing works only
# because somebody installed it by hand. It reads the package database and
# changes nothing. Run it after scripts/setup.sh.
set -euo pipefail
QV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$QV_ROOT/scripts/requirements.sh"

strip_arch() { sed 's/:[a-z0-9]*$//'; }

# The package that owns a path, through links and the merged /usr (dpkg
# knows /lib32/libc.so.6, not /usr/lib32/libc.so.6).
package_of() {
  local candidate owner
  for candidate in "$1" "$(readlink -f "$1")"; do
    for candidate in "$candidate" "${candidate#/usr}" "/usr$candidate"; do
      owner=$(dpkg -S "$candidate" 2>/dev/null | head -n 1 | cut -d: -f1 | strip_arch || true)
      [ -n "$owner" ] && { echo "$owner"; return; }
    done
  done
}

# Everything setup.sh brings, with what its packages depend on.
declare -A brought=()
while read -r p; do brought[$p]=1; done < <(
  apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
    --no-replaces --no-enhances --installed "${QV_PACKAGES[@]}" 2>/dev/null |
    grep -v '^[ <]' | strip_arch | sort -u)

failures=0
for entry in "${QV_REQUIREMENTS[@]}"; do
  read -r kind name named users <<<"$entry"
  if ! path=$(qv_requirement_path "$kind" "$name"); then
    echo "check-fresh: FAIL $kind $name: absent (setup.sh installs '$named' for it), needed by $users"
    failures=$((failures + 1)); continue
  fi
  owner=$(package_of "$path" || true)
  if [ -z "$owner" ]; then
    echo "check-fresh: FAIL $kind $name: $path belongs to no Debian package (installed by hand)"
    failures=$((failures + 1)); continue
  fi
  essential=$(dpkg-query -W -f='${Essential}' "$owner" 2>/dev/null || true)
  if [ -z "${brought[$owner]:-}" ] && [ "$essential" != yes ]; then
    echo "check-fresh: FAIL $kind $name: $path comes from the package '$owner', which setup.sh does not name"
    failures=$((failures + 1)); continue
  fi
  echo "check-fresh: ok   $kind $name: $(readlink -f "$path") ($owner), for $users"
done
if [ "$failures" -gt 0 ]; then
  echo "check-fresh: $failures requirement(s) would be missing on a fresh machine"
  exit 1
fi
echo "check-fresh: every requirement comes from a package setup.sh installs"
