#!/usr/bin/env bash
# Installs a build into a scratch DESTDIR and checks the installed tree: every
# file in place, the desktop entry and the metainfo validate, the MIME package
# parses, the manual page renders, the completion script parses, and the
# installed zerath-cli keeps its key ring under $XDG_DATA_HOME/zerath.
#   check_installed_tree.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$2")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

root=$scratch/root
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
usr=$root/usr
id=org.zerath.Zerath

files=(bin/zerath-cli share/man/man1/zerath-cli.1.gz share/bash-completion/completions/zerath-cli
       share/mime/packages/$id.xml share/doc/zerath/user-guide.md share/doc/zerath/changelog.gz
       share/doc/zerath/copyright share/doc/zerath/screenshots/main.png)
gui=false
if [ -x "$build/bin/zerath" ]; then
  gui=true
  files+=(bin/zerath share/man/man1/zerath.1.gz share/applications/$id.desktop share/metainfo/$id.metainfo.xml
          share/icons/hicolor/scalable/apps/$id.svg)
  for size in 48 64 128 256; do files+=(share/icons/hicolor/${size}x${size}/apps/$id.png); done
fi
for f in "${files[@]}"; do
  [ -f "$usr/$f" ] || fail "not installed: $f"
done

if $gui; then
  desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop entry"
  appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" >/dev/null || fail "metainfo"
fi

mkdir -p "$scratch/mime/packages"
cp "$usr/share/mime/packages/$id.xml" "$scratch/mime/packages/"
update-mime-database "$scratch/mime" 2>/dev/null || fail "MIME package"
for type in public-key private-key encrypted; do
  [ -f "$scratch/mime/application/x-zerath-$type.xml" ] || fail "MIME type x-zerath-$type not defined"
done
grep -q 'Private Key' "$scratch/mime/magic" || fail "MIME magic for private key files"

page=$(MANWIDTH=80 man -l "$usr/share/man/man1/zerath-cli.1.gz" 2>&1)
grep -q 'DATA FOLDER' <<<"$page" || fail "manual page does not render: $page"
bash -n "$usr/share/bash-completion/completions/zerath-cli" || fail "completion script"

# The installed zerath-cli's data folder, case by case.
chmod 755 "$scratch"; chmod -R a+rX "$root"
mkdir -p "$scratch/home"
cli() { env -u ZERATH_HOME HOME="$scratch/home" XDG_DATA_HOME="$scratch/xdg" "$usr/bin/zerath-cli" "$@"; }
expect_where() { # EXPECTED COMMAND...
  local got; got=$("${@:2}" where) || fail "where failed: ${*:2}"
  [ "$got" = "$1" ] || fail "${*:2} where: $got, expected $1"
}
# No data beside the program: $XDG_DATA_HOME/zerath, else ~/.local/share/zerath.
expect_where "$scratch/xdg/zerath" cli
expect_where "$scratch/home2/.local/share/zerath" env -u ZERATH_HOME -u XDG_DATA_HOME HOME="$scratch/home2" "$usr/bin/zerath-cli"
keyid=$(cli import "$source/tests/data/keys/alice-public.akf") || fail "import"
cli list | grep -q "$keyid" || fail "list after import"
[ -f "$scratch/xdg/zerath/ZerathKeys.db" ] || fail "no key ring under \$XDG_DATA_HOME/zerath"
[ "$(stat -c %a "$scratch/xdg/zerath")" = 700 ] || fail "data folder is not owner-only"
[ -z "$(ls -A "$scratch/home")" ] || fail "files written into HOME"
[ ! -e "$usr/bin/ZerathKeys.db" ] || fail "key ring written beside the program"
# The user's choice: --home wins over ZERATH_HOME.
expect_where "$scratch/env" env ZERATH_HOME="$scratch/env" "$usr/bin/zerath-cli"
expect_where "$scratch/opt" env ZERATH_HOME="$scratch/env" "$usr/bin/zerath-cli" --home "$scratch/opt"
# A portable copy: settings beside the program, in a folder it may write.
touch "$usr/bin/zerath.ini"
expect_where "$usr/bin" cli
# ... but not when the folder is not writable (as an unprivileged user).
mkdir -m 777 "$scratch/xdg-other"
if [ "$(id -u)" = 0 ]; then
  as_other=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
  chmod a-w "$usr/bin"; as_other=()
fi
expect_where "$scratch/xdg-other/zerath" "${as_other[@]}" env -u ZERATH_HOME HOME=/nonexistent \
  XDG_DATA_HOME="$scratch/xdg-other" "$usr/bin/zerath-cli"
chmod u+w "$usr/bin"
echo "installed tree OK"
