#!/usr/bin/env bash
# By hand, as root: a portable copy of zerath-cli in a folder that another
# user can write to must not take the key ring planted there. Makes two users,
# lets the second plant ZerathKeys.db and zerath.ini beside a copy of the
# program in a world-writable folder, then runs the copy as the first user:
# it must warn on standard error, naming the folder and the reason, and use
# its own XDG data folder instead. Then the same with a group other than the
# user's own private group. Removes the users and the folder at the end.
#   usage: sudo scripts/check-portable-trust.sh [build/bin/zerath-cli]
set -euo pipefail
cli=$(readlink -f "${1:-build/bin/zerath-cli}")
[ "$(id -u)" = 0 ] || { echo "run as root" >&2; exit 2; }
owner=zerath-owner$$ planter=zerath-planter$$ shared=zerath-shared$$
dir=$(mktemp -d /tmp/zerath-portable.XXXXXX)
cleanup() { userdel -r "$owner" 2>/dev/null || true; userdel -r "$planter" 2>/dev/null || true
            groupdel "$shared" 2>/dev/null || true; rm -rf "$dir"; }
trap cleanup EXIT
useradd -m "$owner"; useradd -m "$planter"; groupadd "$shared"
usermod -aG "$shared" "$owner"; usermod -aG "$shared" "$planter"
cp "$cli" "$dir/zerath-cli"; chmod 0755 "$dir/zerath-cli"

check() { # $1: what the case is
  local out where
  out=$(su "$owner" -c "env -u ZERATH_HOME -u XDG_DATA_HOME '$dir/zerath-cli' where" 2>&1)
  where=$(printf '%s\n' "$out" | tail -1)
  if [ "$where" = "$dir" ] || ! printf '%s\n' "$out" | grep -q "warning: The program's folder $dir/"; then
    echo "FAIL: $1"; printf '%s\n' "$out"; exit 1
  fi
  echo "ok: $1 -> $where"
}

chmod 1777 "$dir"
su "$planter" -c "printf 'Pub|Victim|DEADBEEF|2048|x|e||n|fp|crc\r\n' > '$dir/ZerathKeys.db'"
check "a key ring planted by another user in a world-writable folder"

rm -f "$dir/ZerathKeys.db"; chown "$owner:$shared" "$dir"; chmod 0770 "$dir"
su "$owner" -c "printf '' > '$dir/zerath.ini'"
check "the owner's settings in a folder a shared group can write"
echo "all cases passed"
