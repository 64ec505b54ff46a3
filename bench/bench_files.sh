#!/usr/bin/env bash
# Times zerath-cli encryption and decryption of one large file (half random,
# half text) next to gpg, age and openssl enc, with each command's peak memory.
#
# Every command runs ROUNDS times, the commands taking turns (so each is timed
# alternately with its peer), and the median is reported. Outputs are removed
# before each run. Zerath flushes its outputs before it reports success, so each
# peer is timed with the same durability: followed by a sync of its output.
# The files live on an ordinary disk (not tmpfs), in a folder under BENCH_DIR.
#
# usage: bench/bench_files.sh [BUILD_DIR] [SIZE_MIB] [ROUNDS]
#   ONLY=zerath       skip the peers (for a peak-memory run on a large file)
#   BEFORE=BUILD_DIR  also time that build's zerath-cli (an older version), in turn with the rest
set -euo pipefail
build=${1:-build}
size_mib=${2:-256}
rounds=${3:-3}
only=${ONLY:-all}
cli=$(realpath "$build/bin/zerath-cli")

need=()
for pair in gpg:gnupg age:age age-keygen:age openssl:openssl /usr/bin/time:time taskset:util-linux python3:python3; do
  command -v "${pair%%:*}" >/dev/null || need+=("${pair#*:}")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

base=${BENCH_DIR:-/var/tmp}
work=$(mktemp -d -p "$base" zerath-bench.XXXXXX)
trap 'GNUPGHOME="$work/gnupg" gpgconf --kill gpg-agent 2>/dev/null; rm -rf "$work"' EXIT
fs=$(stat -f -c %T "$work")
[ "$fs" != tmpfs ] || { echo "$base is tmpfs; set BENCH_DIR to a folder on disk"; exit 1; }
home="$work/home"; mkdir -p "$home" "$work/out" "$work/dec"
src="$work/data.bin"; text="$work/text.bin"
half=$((size_mib / 2))
head -c $((half * 1024 * 1024)) /dev/urandom > "$src"
# Text: a dictionary-like stream that compresses like prose.
yes "The quick brown fox jumps over the lazy dog; pack my box with five dozen liquor jugs." \
  | head -c $(((size_mib - half) * 1024 * 1024)) > "$text" || true
cat "$text" >> "$src"

printf 'benchmark passphrase\n' > "$work/pw"
mapfile -t files < <("$cli" --home "$home" keygen --owner "Bench Mark" --passphrase-file "$work/pw")
pub=$("$cli" --home "$home" import "${files[1]}")
prv=$("$cli" --home "$home" import "${files[0]}" --passphrase-file "$work/pw")
zc="$cli --home $home"

export GNUPGHOME="$work/gnupg"; mkdir -m 700 "$GNUPGHOME"
gpg --batch --quiet --passphrase '' --quick-gen-key "Bench <bench@example.org>" rsa2048 encr never 2>/dev/null
age-keygen -o "$work/age.key" 2>/dev/null
agepub=$(grep -o 'age1[0-9a-z]*' "$work/age.key")
gpge="gpg --batch --yes --trust-model always -r bench@example.org --cipher-algo AES256"
o="$work/out"

# Inputs for the decryptions, made once.
$zc encrypt --to "$pub" --cipher 0 --level 1 "$src" >/dev/null && mv "$src.enc" "$work/dec/data.bin.enc"
if [ "$only" != zerath ]; then
  $gpge --compress-algo zlib --compress-level 1 -o "$work/g1" -e "$src"
  age -r "$agepub" -o "$work/a" "$src"
  openssl enc -aes-256-cbc -pbkdf2 -pass pass:bench -in "$src" -out "$work/o"
fi

# name|output to remove first|command (run by sh -c)
rows=(
  "zerath encrypt index 1|$src.enc|$zc encrypt --to $pub --cipher 0 --level 1 $src"
  "  gpg -e zlib level 1 + sync|$o/g1|$gpge --compress-algo zlib --compress-level 1 -o $o/g1 -e $src && sync $o/g1"
  "zerath encrypt index 1, one core|$src.enc|taskset -c 0 $zc encrypt --to $pub --cipher 0 --level 1 $src"
  "  gpg -e zlib level 1, one core + sync|$o/g1|taskset -c 0 $gpge --compress-algo zlib --compress-level 1 -o $o/g1 -e $src && sync $o/g1"
  "zerath encrypt index 0 Rijndael|$src.enc|$zc encrypt --to $pub --cipher 0 --level 0 $src"
  "  openssl enc -aes-256-cbc + sync|$o/o|openssl enc -aes-256-cbc -pbkdf2 -pass pass:bench -in $src -out $o/o && sync $o/o"
  "zerath decrypt index-1 file|$work/dec/data.bin|$zc decrypt --key $prv --passphrase-file $work/pw $work/dec/data.bin.enc"
  "  gpg -d (zlib level 1) + sync|$o/g1.out|gpg --batch --yes -o $o/g1.out -d $work/g1 && sync $o/g1.out"
  "  gpg -e no compression + sync|$o/g0|$gpge --compress-algo none -o $o/g0 -e $src && sync $o/g0"
  "  age -e + sync|$o/a|age -r $agepub -o $o/a $src && sync $o/a"
  "  age -d + sync|$o/a.out|age -d -i $work/age.key -o $o/a.out $work/a && sync $o/a.out"
  "  openssl enc -d -aes-256-cbc + sync|$o/o.out|openssl enc -d -aes-256-cbc -pbkdf2 -pass pass:bench -in $work/o -out $o/o.out && sync $o/o.out"
)
if [ -n "${BEFORE:-}" ]; then
  old=$(realpath "$BEFORE/bin/zerath-cli" 2>/dev/null || realpath "$BEFORE/src/cli/zerath-cli")
  mapfile -t -O ${#rows[@]} rows < <(printf '%s\n' "${rows[@]}" | grep '^zerath' | sed "s|^zerath|before: zerath|; s|$cli|$old|")
fi
[ "$only" = zerath ] && mapfile -t rows < <(printf '%s\n' "${rows[@]}" | grep -v '^  ')

echo "source: $size_mib MiB (half random, half text) on $fs under $base; $(nproc) cores; $rounds rounds"
declare -A secs system cpu peak
for ((r = 1; r <= rounds; r++)); do
  echo "round $r: load $(cut -d' ' -f1-3 /proc/loadavg)"
  for row in "${rows[@]}"; do
    IFS='|' read -r name out cmd <<< "$row"
    rm -f "$out"; sync
    /usr/bin/time -f "%e %M %S %U" -o "$work/t" sh -c "$cmd" >/dev/null 2>"$work/err" || { echo "$name failed:"; cat "$work/err"; exit 1; }
    read -r s k sys user < "$work/t"
    secs[$name]+="$s "; system[$name]+="$sys "; cpu[$name]+="$(awk -v a="$sys" -v b="$user" 'BEGIN { print a + b }') "
    peak[$name]=$(( ${peak[$name]:-0} > k ? ${peak[$name]:-0} : k ))
  done
done
cmp -s "$work/dec/data.bin" "$src" || { echo "MISMATCH after decryption"; exit 1; }

median() { tr ' ' '\n' <<< "$1" | grep . | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# The CPU time (user + system, median) beside the wall time shows the work apart
# from waiting for the disk and for other processes; the system time what the
# kernel spent (page cache, writeback).
printf '%-42s %8s %8s %9s %10s  %-16s %s\n' command median cpu MB/s "peak MiB" runs "system time"
for row in "${rows[@]}"; do
  IFS='|' read -r name _ _ <<< "$row"
  m=$(median "${secs[$name]}")
  c=$(median "${cpu[$name]}")
  awk -v n="$name" -v s="$m" -v c="$c" -v k="${peak[$name]}" -v mib="$size_mib" -v all="${secs[$name]}" -v sys="${system[$name]}" \
    'BEGIN { printf "%-42s %7.2fs %7.2fs %9.1f %10.1f  %-16s %s\n", n, s, c, (mib*1048576/1e6)/(s>0?s:0.001), k/1024, all, sys }'
done
if [ "$only" != zerath ]; then
  ratio() { awk -v a="$(median "${secs[$1]}")" -v b="$(median "${secs[$2]}")" -v n="$3" 'BEGIN { printf "%-42s %5.2f\n", n, a/b }'; }
  echo "ratios (zerath / peer):"
  ratio "zerath encrypt index 1" "  gpg -e zlib level 1 + sync" "encrypt index 1 / gpg zlib 1 (target 0.25)"
  ratio "zerath encrypt index 1" "zerath encrypt index 0 Rijndael" "encrypt index 1 / index 0 (target 1)"
  ratio "zerath encrypt index 0 Rijndael" "  openssl enc -aes-256-cbc + sync" "encrypt index 0 / openssl enc (target 0.8)"
  ratio "zerath decrypt index-1 file" "  gpg -d (zlib level 1) + sync" "decrypt index 1 / gpg -d (target 0.4)"
  if [ -n "${BEFORE:-}" ]; then
    for name in "encrypt index 1" "encrypt index 1, one core" "encrypt index 0 Rijndael" "decrypt index-1 file"; do
      ratio "zerath $name" "before: zerath $name" "$name / before"
    done
  fi

  # Compressed size of the text half alone at each index, and of the whole
  # source at the fast index, against zlib on one core.
  echo "compressed size: zerath's zlib stream / single-threaded zlib at the same level"
  for what in "text 0" "text 1" "text 2" "text 3" "source 1"; do
    read -r name index <<< "$what"
    file=$text; [ "$name" = text ] || file=$src
    rm -f "$file.enc"
    $zc encrypt --to "$pub" --cipher 0 --level $index "$file" >/dev/null
    python3 - "$file" "$file.enc" $index "$name" <<'EOF'
import sys, zlib
plain, enc, index = open(sys.argv[1], 'rb').read(), open(sys.argv[2], 'rb').read(), int(sys.argv[3])
ours = len(enc) - 23 - (enc[5] | enc[6] << 8)
ref = len(zlib.compress(plain, [0, 1, 6, 9][index]))
print(f"  {sys.argv[4]}, index {index}: {ours} / {ref} bytes = {ours / ref:.4f}")
EOF
  done
fi
