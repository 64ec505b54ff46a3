#!/usr/bin/env bash
# Times zerath-cli on many small files (one batch per command) next to
# `gpg --multifile`, each followed by a sync of its outputs and their folder:
# Zerath flushes every output before it reports it done, and its folders once
# per batch. Sets: 1,000 files of 4 KiB, 10,000 of 1 KiB, 100 of 1 MiB, each
# file half random and half text. Every command runs ROUNDS times, the
# commands taking turns, and the median is reported with the user and system
# CPU time of that run.
#
# usage: bench/bench_many_files.sh [BUILD_DIR] [ROUNDS]
#   BENCH_DIR=folder  where the files live (an ordinary disk, not tmpfs; default /var/tmp)
#   BEFORE=BUILD_DIR  also time that build's zerath-cli (an older version), in turn with the rest
#   SETS="1000x4096 ..." the sets to run
set -euo pipefail
build=${1:-build}
rounds=${2:-3}
cli=$(realpath "$build/bin/zerath-cli")
old=""
[ -z "${BEFORE:-}" ] || old=$(realpath "$BEFORE/bin/zerath-cli")
sets=${SETS:-"1000x4096 10000x1024 100x1048576"}
for tool in gpg /usr/bin/time python3; do command -v "$tool" >/dev/null || { echo "needs $tool"; exit 1; }; done

base=${BENCH_DIR:-/var/tmp}
work=$(mktemp -d -p "$base" zerath-many.XXXXXX)
trap 'GNUPGHOME="$work/gnupg" gpgconf --kill gpg-agent 2>/dev/null; rm -rf "$work"' EXIT
fs=$(stat -f -c %T "$work")
[ "$fs" != tmpfs ] || { echo "$base is tmpfs; set BENCH_DIR to a folder on disk"; exit 1; }

home="$work/home"; mkdir -p "$home"
printf 'benchmark passphrase\n' > "$work/pw"
mapfile -t keys < <("$cli" --home "$home" keygen --owner "Bench Mark" --passphrase-file "$work/pw")
pub=$("$cli" --home "$home" import "${keys[1]}")
prv=$("$cli" --home "$home" import "${keys[0]}" --passphrase-file "$work/pw")
export GNUPGHOME="$work/gnupg"; mkdir -m 700 "$GNUPGHOME"
gpg --batch --quiet --passphrase '' --quick-gen-key "Bench <bench@example.org>" rsa2048 encr never 2>/dev/null
gpge="gpg --batch --yes --quiet --trust-model always -r bench@example.org --cipher-algo AES256 --compress-algo zlib --compress-level 1 --multifile -e"
gpgd="gpg --batch --yes --quiet --multifile -d"

# Runs a command, appends "seconds user system" to the named record.
declare -A runs
timed() {
  local name=$1; shift
  sync
  /usr/bin/time -f "%e %U %S" -o "$work/t" sh -c "$*" >/dev/null 2>"$work/err" || { echo "$name failed:"; tail -5 "$work/err"; exit 1; }
  runs[$name]+="$(cat "$work/t");"
}
median() { tr ';' '\n' <<< "$1" | grep . | sort -g | awk '{ v[NR] = $0 } END { print v[int((NR + 1) / 2)] }'; }

for set in $sets; do
  count=${set%x*}; size=${set#*x}
  src="$work/$set/src"; zd="$work/$set/zdec"; gd="$work/$set/gdec"
  mkdir -p "$src" "$zd" "$gd"
  python3 - "$src" "$count" "$size" <<'PY'
import os, sys
folder, count, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
line = b"The quick brown fox jumps over the lazy dog; pack my box with five dozen liquor jugs.\n"
text = (line * (size // len(line) + 1))
for i in range(count):
    half = size // 2
    with open(os.path.join(folder, f"f{i:05d}.bin"), "wb") as f:
        f.write(os.urandom(half) + text[: size - half])
PY
  "$cli" --home "$home" encrypt --to "$pub" --cipher 0 --level 1 "$src"/*.bin >/dev/null
  mv "$src"/*.enc "$zd"/
  $gpge "$src"/*.bin && mv "$src"/*.gpg "$gd"/
  rows=("zerath encrypt|rm -f $src/*.enc|$cli --home $home encrypt --to $pub --cipher 0 --level 1 $src/*.bin"
        "gpg --multifile -e + sync|rm -f $src/*.gpg|$gpge $src/*.bin && sync $src/*.gpg $src"
        "zerath decrypt|rm -f $zd/*.bin|$cli --home $home decrypt --key $prv --passphrase-file $work/pw $zd/*.enc"
        "gpg --multifile -d + sync|rm -f $gd/*.bin|$gpgd $gd/*.gpg && sync $gd/*.bin $gd")
  if [ -n "$old" ]; then
    rows+=("before: zerath encrypt|rm -f $src/*.enc|$old --home $home encrypt --to $pub --cipher 0 --level 1 $src/*.bin"
           "before: zerath decrypt|rm -f $zd/*.bin|$old --home $home decrypt --key $prv --passphrase-file $work/pw $zd/*.enc")
  fi
  for ((r = 1; r <= rounds; r++)); do
    for row in "${rows[@]}"; do
      IFS='|' read -r name clean cmd <<< "$row"
      sh -c "$clean"
      timed "$set $name" "$cmd"
    done
  done
  for f in "$src"/*.bin; do cmp -s "$f" "$zd/$(basename "$f")" || { echo "MISMATCH: $f"; exit 1; }; done
  echo "$count files of $size bytes on $fs, $(nproc) cores, $rounds rounds (load $(cut -d' ' -f1-3 /proc/loadavg))"
  printf '  %-30s %8s %8s %8s   %s\n' command seconds user system runs
  for row in "${rows[@]}"; do
    IFS='|' read -r name _ _ <<< "$row"
    read -r s u y <<< "$(median "${runs[$set $name]}")"
    printf '  %-30s %7.2fs %7.2fs %7.2fs   %s\n' "$name" "$s" "$u" "$y" "$(tr ';' ' ' <<< "${runs[$set $name]}" | awk '{ for (i = 1; i <= NF; i += 3) printf "%s ", $i }')"
  done
  ratio() {
    local a b; a=$(median "${runs[$set $1]}"); b=$(median "${runs[$set $2]}")
    awk -v a="${a%% *}" -v b="${b%% *}" -v n="$3" 'BEGIN { printf "  %-44s %5.2f\n", n, a / b }'
  }
  ratio "zerath encrypt" "gpg --multifile -e + sync" "encrypt / gpg -e (target 1.0 at 1,000 x 4 KiB)"
  ratio "zerath decrypt" "gpg --multifile -d + sync" "decrypt / gpg -d (target 0.8 at 1,000 x 4 KiB)"
  if [ -n "$old" ]; then
    ratio "zerath encrypt" "before: zerath encrypt" "encrypt / before"
    ratio "zerath decrypt" "before: zerath decrypt" "decrypt / before"
  fi
  rm -rf "$work/$set"
done
