#!/usr/bin/env bash
# Run by hand (needs bindfs and FUSE): one folder seen twice, directly and
# through a FUSE view whose locks live in another domain. Decryptions write
# through the view while encryptions in the folder itself clean up leftovers
# (old ones are planted among them); every decrypted file must equal its
# source. Usage: scripts/check-two-views.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-20}
cli=$PWD/build/bin/zerath-cli
work=$(mktemp -d)
trap 'fusermount -u "$work/view" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir "$work/folder" "$work/view" "$work/home"
bindfs "$work/folder" "$work/view"
echo 'correct horse battery' >"$work/pw"
id=$("$cli" --home "$work/home" import tests/data/keys/alice-private.akf --passphrase-file "$work/pw")
head -c 20M /dev/urandom >"$work/folder/doc"
"$cli" --home "$work/home" encrypt --to "$id" "$work/folder/doc" >/dev/null
for ((i = 0; i < rounds; i++)); do
  rm -f "$work/view/doc.out" # through the view, whose cache would still show it
  cp "$work/folder/doc.enc" "$work/view/doc.out.enc"
  "$cli" --home "$work/home" decrypt --key "$id" --passphrase-file "$work/pw" "$work/view/doc.out.enc" >/dev/null &
  for j in 1 2 3 4; do
    head -c 100 /dev/urandom >"$work/folder/.zerath-old00$j.tmp" && touch -d '1 hour ago' "$work/folder/.zerath-old00$j.tmp"
    echo "$j" >"$work/folder/small$j"
    "$cli" --home "$work/home" encrypt --to "$id" --force "$work/folder/small$j" >/dev/null
  done
  wait $!
  cmp "$work/folder/doc" "$work/folder/doc.out" || { echo "round $i: the decrypted file differs" >&2; exit 1; }
  rm -f "$work/view/doc.out.enc"
done
echo "$rounds decryptions through the view stayed whole"
