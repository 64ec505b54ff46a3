#!/usr/bin/env bash
# Run by hand as root (it needs a loop device): decrypts a large file on a fresh
# ext4 image again and again, each time ended by a random terminating signal at
# a random moment, then looks for the plaintext anywhere in the image, free
# blocks included. Nothing may be found. Usage: scripts/check-interrupted-decryption.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-20}
cli=$PWD/build/bin/zerath-cli
work=$(mktemp -d)
trap 'umount "$work/mnt" 2>/dev/null || true; rm -rf "$work"' EXIT
truncate -s 256M "$work/image" && mkfs.ext4 -q "$work/image"
mkdir "$work/mnt" "$work/home" && mount -o loop "$work/image" "$work/mnt"
echo 'correct horse battery' >"$work/pw"
id=$("$cli" --home "$work/home" import tests/data/keys/alice-private.akf --passphrase-file "$work/pw")
# A marker that only the plaintext holds, repeated so that any fragment of it shows.
head -c 40M < <(yes 'ZERATH-PLAINTEXT-MARKER') >"$work/mnt/doc"
"$cli" --home "$work/home" encrypt --to "$id" --level 0 "$work/mnt/doc" >/dev/null
shred -u -z "$work/mnt/doc" && sync
signals=(INT TERM HUP QUIT USR1 USR2 ALRM VTALRM PROF XCPU)
# A decryption that finished before its signal leaves a whole output: that one is shredded.
scrub() { if [ -f "$work/mnt/doc" ]; then shred -u -z "$work/mnt/doc"; fi; }
for ((i = 0; i < rounds; i++)); do
  scrub
  "$cli" --home "$work/home" decrypt --key "$id" --passphrase-file "$work/pw" "$work/mnt/doc.enc" >/dev/null 2>&1 &
  sleep "0.$((RANDOM % 10))"
  kill -"${signals[RANDOM % ${#signals[@]}]}" $! 2>/dev/null || true
  wait $! 2>/dev/null || true
done
scrub
umount "$work/mnt"
if grep -c --text 'ZERATH-PLAINTEXT-MARKER' "$work/image"; then
  echo "plaintext left on the device" >&2
  exit 1
fi
echo "no plaintext on the device after $rounds interrupted decryptions"
