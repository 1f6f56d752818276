#!/usr/bin/env bash
# The Debian packages as an office gets them:
#   1. scripts/package makes vantor and vantor-server from this build folder;
#   2. lintian finds no error in them;
#   3. their contents hold the programs, data, desktop files, manual pages and service, and no
#      program or build path where data belongs;
#   4. dpkg unpacks both into a fresh root of its own (dpkg --root), from where every program
#      answers --version, the metadata and desktop entry validate and the service unit passes
#      systemd-analyze verify;
#   5. the installed server with the installed sample organisation carries a message between two
#      installed vantor-cli colleagues, and stops on SIGTERM with its store closed.
# A missing tool fails under CI=true and skips loudly (exit 77) elsewhere.
#   package_test.sh <source folder> <build folder>
set -uo pipefail
src=$1
build=$2
work=$(mktemp -d /tmp/vantor-package-test.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "package test: FAILED: $*" >&2; exit 1; }
step() { echo "package test: $*"; }

missing=()
for tool in cpack dpkg dpkg-deb dpkg-shlibdeps lintian help2man appstreamcli systemd-analyze gzip; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if ((${#missing[@]})); then
  case "${CI:-}" in
    true | 1 | yes | TRUE | True) fail "missing under CI: ${missing[*]}" ;;
  esac
  echo "**********************************************************************" >&2
  echo "*** SKIPPED package_deb: missing ${missing[*]}" >&2
  echo "*** (install it with scripts/setup; under CI=true this is a failure)" >&2
  echo "**********************************************************************" >&2
  exit 77
fi
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $build/CMakeCache.txt"

step "1. scripts/package into $work/packages"
BUILD_DIR="$build" PACKAGE_DIR="$work/packages" "$src/scripts/package" || fail "scripts/package"
client=$(ls "$work"/packages/vantor_"$version"_*.deb 2>/dev/null)
server=$(ls "$work"/packages/vantor-server_"$version"_*.deb 2>/dev/null)
[ -f "$client" ] && [ -f "$server" ] || fail "the packages vantor and vantor-server $version were not made"

step "2. lintian"
lintian --fail-on error --no-tag-display-limit "$client" "$server" | tee "$work/lintian.log"
[ "${PIPESTATUS[0]}" = 0 ] || fail "lintian reports errors"

step "3. contents"
for deb in "$client" "$server"; do
  echo "--- $(basename "$deb")"
  dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
  dpkg-deb --contents "$deb"
done | tee "$work/contents.txt"
listing() { dpkg-deb --contents "$1" | awk '{ print $6 ($7 == "->" ? " -> " $8 : "") }'; }
listing "$client" >"$work/client.txt"
listing "$server" >"$work/server.txt"
expect() {
  local list=$1 path=$2
  grep -qxF -- "$path" "$list" || fail "$(basename "$list" .txt) package lacks $path"
}
for path in ./usr/bin/vantor-cli "./usr/bin/vantor -> ../lib/vantor/vantor" ./usr/lib/vantor/vantor \
  ./usr/lib/vantor/agent ./usr/share/vantor/KZQ.Dat ./usr/share/vantor/IM.Dat ./usr/share/vantor/Face/0.gif \
  ./usr/share/vantor/Face/104.gif ./usr/share/vantor/SysImages/DefaultHead.bmp ./usr/share/vantor/Sound/msg.wav \
  ./usr/share/vantor/CustomFace/FacePage1.bmp ./usr/share/applications/org.vantor.Vantor.desktop \
  ./usr/share/metainfo/org.vantor.Vantor.metainfo.xml ./usr/share/man/man1/vantor-cli.1.gz \
  ./usr/share/man/man1/vantor.1.gz ./usr/share/doc/vantor/copyright ./usr/share/doc/vantor/changelog.gz; do
  expect "$work/client.txt" "$path"
done
for size in 16 22 24 32 48 64 128 256 512; do
  expect "$work/client.txt" "./usr/share/icons/hicolor/${size}x${size}/apps/org.vantor.Vantor.png"
done
for path in ./usr/bin/vantor-server ./lib/systemd/system/vantor-server.service ./etc/default/vantor-server \
  ./usr/share/vantor-server/sample-org.json ./usr/share/man/man1/vantor-server.1.gz \
  ./usr/share/doc/vantor-server/copyright ./usr/share/doc/vantor-server/changelog.gz; do
  expect "$work/server.txt" "$path"
done
# Programs only in bin and lib/vantor; nothing of the build machine's paths.
dpkg-deb --contents "$client" | awk '$1 ~ /x/ && $1 !~ /^d/ && $1 !~ /^l/ { print $6 }' |
  grep -v -e '^./usr/bin/' -e '^./usr/lib/vantor/' && fail "executable files outside the program folders"
grep -q "vantor-server" "$work/client.txt" && fail "the client package holds server files"
dpkg-deb --ctrl-tarfile "$server" | tar -t | grep -qx './conffiles' || fail "no conffiles in vantor-server"
for deb in "$client" "$server"; do
  dpkg-deb --field "$deb" Depends | grep -q 'libc6' || fail "$(basename "$deb"): no library dependencies computed"
done

step "4. unpacked into a fresh root"
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
# --unpack (also as a user other than root): the files and dpkg's records, no maintainer script
# (the root has no shell to run them; the server's scripts are checked for syntax below). The root
# lacks the libraries: the programs run with this machine's.
dpkg --root="$root" --force-depends --force-not-root --unpack "$client" "$server" || fail "dpkg --unpack"
dpkg --root="$root" -l | grep -E '^.U +vantor(-server)? ' || fail "dpkg does not list the packages as unpacked"
for program in usr/bin/vantor-cli usr/bin/vantor-server usr/bin/vantor usr/lib/vantor/agent; do
  got=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/$program" --version) || fail "/$program --version failed"
  echo "  /$program --version: $got"
  [ "$got" = "$(basename "$program") $version" ] || fail "/$program --version printed '$got'"
done
dpkg-deb --ctrl-tarfile "$server" | tar -x -C "$work" ./postinst ./prerm ./postrm || fail "no maintainer scripts"
for script in postinst prerm postrm; do
  sh -n "$work/$script" || fail "syntax of the $script script"
done
# The manual pages come from --help, Chinese texts included.
gzip -dc "$root/usr/share/man/man1/vantor-server.1.gz" | grep -q '同时发送短信' ||
  fail "the manual page of vantor-server lost the Chinese texts of its --help"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.vantor.Vantor.metainfo.xml" ||
  fail "appstreamcli validate"
entry=$root/usr/share/applications/org.vantor.Vantor.desktop
grep -qx 'Exec=/usr/lib/vantor/agent %u' "$entry" || fail "the desktop entry does not start agent: $(grep Exec= "$entry")"
grep -qx 'MimeType=x-scheme-handler/brightmoor;' "$entry" || fail "the desktop entry does not take the client's links"
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$entry" || fail "desktop-file-validate"; fi
# The unit's ExecStart and manual page are looked up inside the root; the targets it names come
# from this machine's systemd (copied beside it, never over it).
cp -an /lib/systemd/system/. "$root/lib/systemd/system/" || fail "cannot copy the system's units"
MANPATH="$root/usr/share/man" systemd-analyze verify --root="$root" /lib/systemd/system/vantor-server.service ||
  fail "systemd-analyze verify"

step "5. the installed programs talk"
mkdir -p "$work/run" "$work/home"
chmod 700 "$work/run"
export XDG_RUNTIME_DIR=$work/run HOME=$work/home
started=
for _ in 1 2 3 4 5; do
  port=$((20000 + RANDOM % 12000))
  "$root/usr/bin/vantor-server" --db "$work/org.db" --org "$root/usr/share/vantor-server/sample-org.json" \
    --port "$port" --file-port 0 --files "$work/files" 2>"$work/server.log" &
  server_pid=$!
  for _ in $(seq 50); do grep -q "listening" "$work/server.log" && break; sleep 0.1; done
  if grep -q "listening" "$work/server.log"; then started=1; break; fi
  kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null
done
[ -n "$started" ] || { cat "$work/server.log" >&2; fail "the installed server did not start"; }
pids+=("$server_pid")
cli() { "$root/usr/bin/vantor-cli" --host 127.0.0.1 --port "$port" --timeout 20 "$@"; }
cli --account wangfang --password wangfang123 --data "$work/wang" listen --verbose --count 1 >"$work/wang.out" 2>"$work/wang.err" &
wang=$!
pids+=("$wang")
for _ in $(seq 100); do grep -q "listening" "$work/wang.err" && break; sleep 0.1; done
cli --account zhangwei --password zhangwei123 --data "$work/zhang" send 王芳 "装好了" || fail "the installed vantor-cli could not send"
wait "$wang" || { cat "$work/wang.err" >&2; fail "the installed vantor-cli did not receive"; }
grep -qxF "$(printf '1001\t张伟\t装好了')" "$work/wang.out" || fail "wangfang received: $(cat "$work/wang.out")"
kill -TERM "$server_pid"
wait "$server_pid"
rc=$?
[ "$rc" = 0 ] || fail "the server ended with $rc on SIGTERM"
grep -q "the store is closed" "$work/server.log" || fail "the server did not close its store"
if grep -q $'\e' "$work/server.log"; then fail "colour codes in the server's log"; fi
step "all checks passed"
