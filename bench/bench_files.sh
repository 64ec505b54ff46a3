#!/usr/bin/env bash
# Times zerath-cli encryption and decryption of one large file (half random,
# half text) next to gpg, age and openssl enc, with each command's peak memory.
# usage: bench/bench_files.sh [BUILD_DIR] [SIZE_MIB]
set -euo pipefail
build=${1:-build}
size_mib=${2:-256}
cli=$(realpath "$build/bin/zerath-cli")
for tool in gpg age age-keygen openssl /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (apt-get install gnupg age openssl time)"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
home="$work/home"; mkdir -p "$home"
src="$work/data.bin"
half=$((size_mib / 2))
head -c $((half * 1024 * 1024)) /dev/urandom > "$src"
# Text: a dictionary-like stream that compresses like prose.
yes "The quick brown fox jumps over the lazy dog; pack my box with five dozen liquor jugs." \
  | head -c $(((size_mib - half) * 1024 * 1024)) >> "$src" || true

printf 'benchmark passphrase\n' > "$work/pw"
mapfile -t files < <("$cli" --home "$home" keygen --owner "Bench Mark" --passphrase-file "$work/pw")
pub=$("$cli" --home "$home" import "${files[1]}")
prv=$("$cli" --home "$home" import "${files[0]}" --passphrase-file "$work/pw")

export GNUPGHOME="$work/gnupg"; mkdir -m 700 "$GNUPGHOME"
gpg --batch --quiet --passphrase '' --quick-gen-key "Bench <bench@example.org>" rsa2048 encr never 2>/dev/null
age-keygen -o "$work/age.key" 2>/dev/null
agepub=$(grep -o 'age1[0-9a-z]*' "$work/age.key")

# run NAME COMMAND...: prints seconds, MB/s over the source size and peak RSS.
run() {
  local name=$1; shift
  sync
  /usr/bin/time -f "%e %M" -o "$work/t" "$@" >/dev/null 2>"$work/err" || { echo "$name failed:"; cat "$work/err"; return; }
  read -r secs kib < "$work/t"
  awk -v n="$name" -v s="$secs" -v k="$kib" -v mib="$size_mib" \
    'BEGIN { printf "%-44s %7.2f s %8.1f MB/s %8.1f MiB peak\n", n, s, (mib*1048576/1e6)/(s>0?s:0.001), k/1024 }'
}

echo "source: $size_mib MiB (half random, half text)"
for level in 0 1; do
  for cipher in 0 3; do
    run "zerath-cli encrypt level $level cipher $cipher" "$cli" --home "$home" encrypt --to "$pub" --cipher $cipher --level $level --force "$src"
    mv "$src" "$src.orig"
    run "zerath-cli decrypt level $level cipher $cipher" "$cli" --home "$home" decrypt --key "$prv" --passphrase-file "$work/pw" --force "$src.enc"
    cmp -s "$src" "$src.orig" || echo "  MISMATCH after decryption"
    mv "$src.orig" "$src"
  done
done
run "gpg -e AES256 zlib level 1" gpg --batch --yes --trust-model always -r bench@example.org --cipher-algo AES256 --compress-algo zlib --compress-level 1 -o "$work/g1" -e "$src"
run "gpg -e AES256 no compression" gpg --batch --yes --trust-model always -r bench@example.org --cipher-algo AES256 --compress-algo none -o "$work/g0" -e "$src"
run "gpg -d (zlib level 1)" gpg --batch --yes -o "$work/g1.out" -d "$work/g1"
run "age -e" age -r "$agepub" -o "$work/a" "$src"
run "age -d" age -d -i "$work/age.key" -o "$work/a.out" "$work/a"
run "openssl enc -aes-256-cbc" openssl enc -aes-256-cbc -pbkdf2 -pass pass:bench -in "$src" -out "$work/o"
run "openssl enc -d -aes-256-cbc" openssl enc -d -aes-256-cbc -pbkdf2 -pass pass:bench -in "$work/o" -out "$work/o.out"
