#!/usr/bin/env bash
# The Debian package on a newcomer's machine. Before installing: the
# package lists no folder of the system's, its binaries are hardened, and
# lintian finds nothing but what a package in /opt must differ in. Then a
# fresh Debian 12 (minbase) root file system where apt installs the package
# with what it depends on, two members of the mirelo group work on the one
# embedded database at the same time (one adds a note in her program, the
# other's program reads its list again; each adds a stored text), root's
# run of the program leaves the package's files as they are, a user outside
# the group is told to join it, two copies share the office server that
# office-server.sh made, signed in as the program's own user from fnet.cfg
# (one adds a note, the other hears it; the program's own password is
# refused there, and so is an fnet.cfg everyone may read), and removing or
# purging the package keeps the data and /opt.
#
#   bash scripts/test-package.sh [mirelo_<version>_amd64.deb]
#
# As root, with Debian's archive reachable; it takes minutes, so it is run by
# hand, not by ctest. Without an argument the package is built first
# (scripts/package.sh). The base system is made once with debootstrap and
# kept in $FRESH_DIR (default /var/tmp/fresh), as tools that check the README
# on a fresh system keep it.
set -euo pipefail

if [ "${1:-}" = --inside ]; then
  inside=1
else
  inside=
fi

fail() { echo "test-package: FAILED: $*" >&2; exit 1; }
step() { echo "== $*"; }

# ---------------------------------------------------------------------------
# Outside: the root file system around the test.
if [ -z "$inside" ]; then
  [ "$(id -u)" -eq 0 ] || fail "run it as root (it uses chroot and mounts)"
  cd "$(dirname "$0")/.."
  deb=${1:-}
  if [ -z "$deb" ]; then
    deb=$(bash scripts/package.sh | tail -1)
  fi
  [ -f "$deb" ] || fail "no package $deb"
  tools=()
  command -v debootstrap >/dev/null || tools+=(debootstrap)
  command -v lintian >/dev/null || tools+=(lintian)
  command -v hardening-check >/dev/null || tools+=(devscripts)
  if ((${#tools[@]})); then
    apt-get update -q && apt-get install -y -q --no-install-recommends "${tools[@]}"
  fi

  step "the package's folders, hardening and lintian"
  # Folders the package lists are removed with it: only its own may be there.
  foreign=$(dpkg-deb -c "$deb" | awk '$1 ~ /^d/ { print $NF }' \
    | grep -Ev '^\./(opt/Vorlane/|usr/share/mirelo/|usr/share/doc/mirelo/|usr/share/applications/$)' || true)
  [ -z "$foreign" ] || fail "the package lists folders of the system's: $foreign"
  unpacked=$(mktemp -d)
  dpkg-deb -x "$deb" "$unpacked"
  # Debian 12 builds without control-flow protection. The program itself
  # makes no call whose buffer's size the compiler knows, so hardening-check
  # finds no fortified function in it to prove the flag (mirelo-rtf has them).
  hardened() {  # program [hardening-check options]
    local program=$1; shift
    hardening-check --nocfprotection "$@" "$unpacked/opt/Vorlane/Mirelo/$program" >"/tmp/hardening-$program.txt" \
      || { cat "/tmp/hardening-$program.txt"; rm -rf "$unpacked"; fail "$program is not hardened"; }
  }
  hardened mirelo --nofortify
  hardened mirelo-rtf
  rm -rf "$unpacked"
  # What a program in /opt of its own vendor must differ in (README).
  allowed=dir-or-file-in-opt,missing-intermediate-directory
  lintian --fail-on error,warning --suppress-tags "$allowed" "$deb" >/tmp/lintian.txt 2>&1 \
    || { cat /tmp/lintian.txt; fail "lintian"; }

  dir=${FRESH_DIR:-/var/tmp/fresh}
  base=$dir/bookworm-minbase.tar
  mkdir -p "$dir"
  if [ ! -f "$base" ]; then
    step "making the base system ($base)"
    rm -rf "$dir/root"
    debootstrap --variant=minbase bookworm "$dir/root" >"$dir/ds.log" 2>&1 || fail "debootstrap (see $dir/ds.log)"
    tar -C "$dir/root" -cf "$base" . && rm -rf "$dir/root"
  fi

  root=$(mktemp -d "$dir/package-XXXXXX")
  cleanup() {
    # Whatever still runs inside (the X servers, the database server) was started by this test.
    for p in /proc/[0-9]*; do
      if [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ]; then kill -9 "${p#/proc/}" 2>/dev/null || true; fi
    done
    sleep 1
    for m in proc dev sys; do
      if mountpoint -q "$root/$m"; then umount "$root/$m" || true; fi
    done
    # The machine's /dev and /sys are bound in: a folder still holding a
    # mount is left for a person to unmount, never deleted.
    if awk -v root="$root/" 'index($5, root) == 1 { found = 1 } END { exit !found }' /proc/self/mountinfo; then
      echo "test-package: $root stays, something is still mounted in it" >&2
    else
      rm -rf --one-file-system "$root"
    fi
  }
  trap cleanup EXIT
  tar -C "$root" -xf "$base"
  cp /etc/resolv.conf "$root/etc/"
  mount -t proc proc "$root/proc"
  mount --bind /dev "$root/dev"
  mount --bind /sys "$root/sys"
  cp "$deb" "$root/tmp/"
  cp "$0" "$root/tmp/test-package.sh"
  mkdir -p "$root/tmp/mirelo/scripts" "$root/tmp/mirelo/db"
  cp scripts/office-server.sh "$root/tmp/mirelo/scripts/"
  cp db/program_user.sql "$root/tmp/mirelo/db/"
  chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    bash /tmp/test-package.sh --inside "/tmp/$(basename "$deb")"
  echo "test-package: all checks passed for $(basename "$deb")"
  exit 0
fi

# ---------------------------------------------------------------------------
# Inside the fresh system.
deb=$2
export DEBIAN_FRONTEND=noninteractive
top=/var/lib/Vorlane/Mirelo
program=/opt/Vorlane/Mirelo
database=$top/Dane/mr.fdb
# Debian's packages would start services; nothing runs here but the test.
printf '#!/bin/sh\nexit 101\n' >/usr/sbin/policy-rc.d
chmod 755 /usr/sbin/policy-rc.d

step "apt installs the package and what it depends on"
apt-get update -q >/dev/null
apt-get install -y -q --no-install-recommends "$deb" >/tmp/apt-mirelo.log 2>&1 \
  || { tail -30 /tmp/apt-mirelo.log; fail "apt-get install $deb"; }
dpkg-query -W -f='${Status}\n' mirelo | grep -q 'install ok installed' || fail "the package is not installed"
recommends=$(dpkg-query -W -f='${Recommends}\n' mirelo)
for wanted in libreoffice-writer pdf-viewer; do
  echo "$recommends" | grep -q "$wanted" || fail "$wanted is not recommended: $recommends"
done
# The test's own tools: X without a screen, a keyboard, and isql-fb.
apt-get install -y -q --no-install-recommends xvfb xdotool firebird3.0-utils >/tmp/apt-tools.log 2>&1 \
  || { tail -30 /tmp/apt-tools.log; fail "installing the test's tools"; }

step "files, links, the menu entry, the manual pages, the group and the shared folders"
# The package owns no folder of the system's.
for d in / /opt /usr /usr/bin /usr/share /usr/share/doc /usr/share/man/man1; do
  if dpkg -L mirelo | grep -qx "$d"; then fail "the package lists $d"; fi
done
for f in /usr/share/doc/mirelo/copyright /usr/share/man/man1/mirelo.1.gz /usr/share/man/man1/mirelo-rtf.1.gz; do
  [ -f "$f" ] || fail "$f is missing"
done
grep -q '^Copyright: .*Vorlane' /usr/share/doc/mirelo/copyright || fail "the copyright is not Vorlane's"
zcat /usr/share/man/man1/mirelo.1.gz | grep -q MIRELO_FIREBIRD_DIR || fail "mirelo(1) does not name MIRELO_FIREBIRD_DIR"
for f in mirelo mirelo-rtf mr szablonnota.rtf szablonrejestr.rtf Opisy.txt; do
  [ -e "$program/$f" ] || fail "$program/$f is missing"
done
[ -x /usr/bin/mirelo ] && [ -x /usr/bin/mirelo-rtf ] || fail "mirelo and mirelo-rtf are not on PATH"
grep -q '^Categories=Office;' /usr/share/applications/mirelo.desktop || fail "no Office menu entry"
icon=$(sed -n 's/^Icon=//p' /usr/share/applications/mirelo.desktop)
ls /usr/share/icons/hicolor/*/apps/"$icon".png >/dev/null || fail "no icon $icon"
for f in "$program/mirelo" "$program/mirelo-rtf"; do
  if ldd "$f" | grep -q 'not found'; then ldd "$f" | grep 'not found'; fail "$f misses libraries"; fi
done
getent group mirelo >/dev/null || fail "no mirelo group"
[ "$(stat -c '%U:%G %a' "$top/Dane")" = "root:mirelo 2770" ] || fail "Dane is $(stat -c '%U:%G %a' "$top/Dane")"
[ "$(stat -c '%U:%G %a' "$top/firebird")" = "root:mirelo 3770" ] || fail "firebird is $(stat -c '%U:%G %a' "$top/firebird")"
engine=$program/firebird
[ "$(stat -c '%U %a' "$engine" "$engine/firebird.conf" | tr '\n' ' ')" = "root 755 root 644 " ] \
  || fail "the engine's configuration is $(stat -c '%n %U %a' "$engine" "$engine/firebird.conf")"
[ "$(readlink "$engine/intl")" = /usr/lib/x86_64-linux-gnu/firebird/3.0/intl ] || fail "intl leads to $(readlink "$engine/intl")"
[ "$(stat -c '%G %a' "$database")" = "mirelo 660" ] || fail "the database is $(stat -c '%G %a' "$database")"
conf_before=$(stat -c '%U %Y' "$engine/firebird.conf")

for user in ala ola; do
  useradd -m -s /bin/bash -G mirelo "$user"
done
as() {
  local user=$1; shift
  runuser -u "$user" -- env HOME="$(getent passwd "$user" | cut -d: -f6)" LANG=C.UTF-8 "$@"
}
# isql-fb embedded, as the program opens the database: the package's engine
# configuration, the machine's lock folder.
sql() {
  local user=$1; shift
  as "$user" env FIREBIRD="$engine" FIREBIRD_LOCK="$top/firebird" \
    isql-fb -q -ch UTF8 -user sysdba "$@"
}

as ala mirelo-rtf --help >/dev/null || fail "mirelo-rtf does not run for a user"

step "two users' programs on one database"
# Today's day number (days since 30 December 1899): the list shows the last two months.
today=$(( $(date +%s) / 86400 + 25569 ))
month=$((10#$(date +%m))) year=$(date +%Y)
# A company, a counterparty and a first note, as an office starts.
first_records() {  # database [isql options]
  sql ala "$@" <<EOF || fail "ala cannot write $1"
insert into FIRMA (NAZWA1, NAZWA2, ULICA, NUMERDOMU, MIEJSCOWOSC, KODPOCZTOWY, NIP, TELEFON, SYSTEMNUMERACJI, NRMIESIECZNA)
  values ('Biuro Żuraw', '', '', '', 'Łódź', '', '', '', 'NN', 'N');
insert into KONTRAHENT (IDFIRMA, NAZWA1, NAZWA2, ULICA, NUMERDOMU, MIEJSCOWOSC, KODPOCZTOWY, NIP, TELEFON, AKTYWNY)
  select IDFIRMA, 'Ćma sp. z o.o.', '', '', '', '', '', '', '', 'Y' from FIRMA;
insert into NOTA (IDFIRMA, DATA, NUMER, IDKONTRAHENT, OBCIAZYLISMY, UZNALISMY, TRESC, MIESIAC, ROK)
  select IDFIRMA, $today, 1, IDKONTRAHENT, 100, 0, 'pierwsza', $month, $year from KONTRAHENT;
commit;
EOF
}
first_records "$database"

# An X server for each user. The chroot shares the machine's network, and
# with it the abstract sockets of X servers running outside: each Xvfb picks
# a display that is free there too and says which. Without -noreset the
# server starts afresh whenever its last client leaves (an xdotool call, a
# program that ended), and a program starting at that moment cannot connect.
start_xvfb() {  # name: prints the display number
  local chosen=/tmp/xvfb-$1.display
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset -ac 3>"$chosen" >"/tmp/xvfb-$1.log" 2>&1 &
  echo $! >"/tmp/xvfb-$1.pid"
  for _ in $(seq 100); do
    if [ -s "$chosen" ]; then awk 'NR == 1 { print $1 }' "$chosen"; return 0; fi
    sleep 0.1
  done
  cat "/tmp/xvfb-$1.log" >&2
  fail "Xvfb for $1 did not start"
}
# What became of the X servers, for a program that could not reach its own.
x_servers() {
  local name pid
  for name in ala ola; do
    pid=$(cat "/tmp/xvfb-$name.pid")
    if kill -0 "$pid" 2>/dev/null; then echo "Xvfb for $name (:$(head -1 "/tmp/xvfb-$name.display")) runs"; else echo "Xvfb for $name has ended"; fi
    cat "/tmp/xvfb-$name.log"
  done
  ls -la /tmp/.X11-unix
  grep -a X11-unix /proc/net/unix || true
  for name in ala ola; do
    d=$(head -1 "/tmp/xvfb-$name.display")
    echo "root on :$d: $(DISPLAY=:$d xdotool getdisplaygeometry 2>&1)"
    echo "ala on :$d: $(as ala env DISPLAY=:$d xdotool getdisplaygeometry 2>&1)"
  done
} >&2
ala_display=$(start_xvfb ala)
ola_display=$(start_xvfb ola)

error_title='^ B.*D !$'  # " BŁĄD !", the program's error box
# Waits for a visible window whose title matches; prints its id.
window() {
  local display=$1 title=$2 id
  for _ in $(seq 300); do
    id=$(DISPLAY=:$display xdotool search --onlyvisible --name "$title" 2>/dev/null | head -1) || true
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    if [ -n "$(DISPLAY=:$display xdotool search --onlyvisible --name "$error_title" 2>/dev/null)" ]; then
      echo "an error box on :$display" >&2
      return 1
    fi
    sleep 0.1
  done
  echo "no window \"$title\" on :$display" >&2
  return 1
}
press() {  # display window keys...
  local display=$1 id=$2; shift 2
  DISPLAY=:$display timeout 10 xdotool windowfocus --sync "$id" key "$@" || fail "no keys to window $id on :$display"
}
# The text of the program's error box on a display, which the program also
# writes to its standard error (`log`); then the box is closed.
error_text() {  # display log
  local display=$1 log=$2 box
  for _ in $(seq 300); do
    box=$(DISPLAY=:$display xdotool search --onlyvisible --name "$error_title" 2>/dev/null | head -1) || true
    [ -n "$box" ] && break
    sleep 0.1
  done
  [ -n "$box" ] || { echo "no error box on :$display" >&2; return 1; }
  cat "$log"
  press "$display" "$box" Return
}
# Starts the program as a user on a display and waits for its about box
# ($about); its process is $started. On this shared machine a start now and
# then fails to reach the X server that answers everyone else (the program
# ends at once, saying so): that start is made once more, and said.
show_program() {
  local user=$1 display=$2 log=$3 attempt
  for attempt in 1 2; do
    as "$user" env DISPLAY=:"$display" mirelo >"$log" 2>&1 &
    started=$!
    about=$(window "$display" '^O programie$') && return 0
    if [ "$attempt" = 1 ] && ! kill -0 "$started" 2>/dev/null && grep -q 'could not connect to display' "$log"; then
      echo "test-package: $user's program did not reach :$display; starting it again" >&2
      continue
    fi
    cat "$log"; x_servers; fail "$user: no about box"
  done
}
# Starts the program as a user on a display, past the about box, to its main
# window; its process is $started.
start_program() {
  local user=$1 display=$2 log=$3
  show_program "$user" "$display" "$log"
  press "$display" "$about" Escape
  window "$display" '^Mirelo ver' >/dev/null || { cat "$log"; fail "$user: the main window did not open"; }
}
# Rows the other attachments of a database have read, one line each, oldest
# attachment first.
reads() {  # database [isql options]
  local db=$1; shift
  sql ala "$db" "$@" <<'EOF' | awk 'NF == 1 && $1 ~ /^[0-9]+$/'
set heading off;
select r.MON$RECORD_SEQ_READS + r.MON$RECORD_IDX_READS
  from MON$ATTACHMENTS a join MON$RECORD_STATS r on r.MON$STAT_ID = a.MON$STAT_ID
  where a.MON$ATTACHMENT_ID <> current_connection and a.MON$SYSTEM_FLAG = 0
  order by a.MON$ATTACHMENT_ID;
EOF
}

start_program ala "$ala_display" /tmp/mirelo-ala.log
ala_program=$started
start_program ola "$ola_display" /tmp/mirelo-ola.log
ola_program=$started
before=$(reads "$database")
[ "$(echo "$before" | wc -l)" -eq 2 ] || fail "expected the two programs attached, found: $before"

# A note added in a user's program as a user does: Insert, a new note, the
# recipient from the list, an amount and a text, OK.
add_note() {  # display text
  local display=$1 text=$2 position closed=
  press "$display" "$(window "$display" '^Mirelo ver')" Insert
  press "$display" "$(window "$display" '^Dodawanie nowej noty lub pozycji$')" Return
  position=$(window "$display" '^ Edycja pozycji noty') || fail "no position dialog on :$display"
  press "$display" "$position" alt+l
  press "$display" "$(window "$display" '^Odbiorcy$')" Return
  press "$display" "$position" alt+b
  DISPLAY=:"$display" xdotool type --delay 50 200
  press "$display" "$position" alt+t
  DISPLAY=:"$display" xdotool type --delay 50 "$text"
  press "$display" "$position" Tab Return
  for _ in $(seq 100); do
    DISPLAY=:"$display" xdotool search --onlyvisible --name '^ Edycja pozycji noty' >/dev/null 2>&1 || { closed=1; break; }
    sleep 0.1
  done
  [ -n "$closed" ] || fail "the position dialog on :$display did not take the note"
}
# Every program attached has read rows since `before`: the one that added
# heard nothing but reopened its own list, the others heard OdswiezNota.
wait_for_rereads() {  # before database [isql options]
  local before=$1 after; shift
  for _ in $(seq 100); do
    after=$(reads "$@")
    if paste <(echo "$before") <(echo "$after") | awk '$2 <= $1 { stale = 1 } END { exit stale }'; then return 0; fi
    sleep 0.2
  done
  fail "the programs did not read the list again: $before -> $after"
}

add_note "$ola_display" 'od Oli'
wait_for_rereads "$before" "$database"
count=$(printf 'set heading off;\nselect count(*) from NOTA where TRESC = '"'od Oli'"';\n' | sql ala "$database" | awk 'NF { print $1 }')
[ "$count" = 1 ] || fail "ola's program stored $count notes 'od Oli', not 1"

# Each user adds a stored text in her program (the position dialog's list):
# the program folder's Opisy.txt leads to the shared folder, and what one
# user's program saves there the other's may replace.
add_stored_text() {  # display text
  local display=$1 text=$2 position list saved=
  press "$display" "$(window "$display" '^Mirelo ver')" Insert
  press "$display" "$(window "$display" '^Dodawanie nowej noty lub pozycji$')" Return
  position=$(window "$display" '^ Edycja pozycji noty') || fail "no position dialog on :$display"
  press "$display" "$position" alt+i
  list=$(window "$display" '^Opisy$') || fail "no stored texts on :$display"
  press "$display" "$list" Insert
  press "$display" "$(window "$display" '^Nowa pozycja$')" End
  DISPLAY=:$display xdotool type --delay 50 "$text"
  DISPLAY=:$display xdotool key Return
  for _ in $(seq 100); do
    if grep -q "^$text"$'\r'"\$" "$program/Opisy.txt"; then saved=1; break; fi
    [ -z "$(DISPLAY=:$display xdotool search --onlyvisible --name "$error_title" 2>/dev/null)" ] \
      || fail "the program on :$display could not save Opisy.txt"
    sleep 0.1
  done
  [ -n "$saved" ] || fail "the program on :$display did not save \"$text\" in Opisy.txt"
  press "$display" "$list" Escape
  press "$display" "$position" Escape
  window "$display" '^Mirelo ver' >/dev/null
}
add_stored_text "$ala_display" 'Opis od ala'
add_stored_text "$ola_display" 'Opis od ola'
grep -q 'Opis od ala' "$program/Opisy.txt" || fail "Opisy.txt lost ala's save"
[ "$(stat -c '%G %a' "$top/Dane/Opisy.txt")" = "mirelo 660" ] || fail "Opisy.txt is $(stat -c '%G %a' "$top/Dane/Opisy.txt")"

step "both close as a user closes them"
for d in "$ala_display" "$ola_display"; do
  id=$(window "$d" '^Mirelo ver')
  press "$d" "$id" Escape
  question=$(window "$d" '^Wyjście z programu$') || fail "no closing question on :$d"
  press "$d" "$question" Return
done
wait "$ala_program" || fail "ala's program ended with $?"
wait "$ola_program" || fail "ola's program ended with $?"
[ -e "$program/mr" ] || fail "the template went from a folder users cannot write"
[ "$(stat -c '%U %Y' "$engine/firebird.conf")" = "$conf_before" ] || fail "a program rewrote the engine's firebird.conf"
ls -la "$top/firebird" "$top/Dane"

step "root's run of the program leaves the package's files as they are"
start_program root "$ala_display" /tmp/mirelo-root.log
root_program=$started
press "$ala_display" "$(window "$ala_display" '^Mirelo ver')" Escape
press "$ala_display" "$(window "$ala_display" '^Wyjście z programu$')" Return
wait "$root_program" || { cat /tmp/mirelo-root.log; fail "root's program ended with $?"; }
changed=$(dpkg -V mirelo) || true
[ -z "$changed" ] || fail "the package's files changed: $changed"

step "a user outside the mirelo group is told how to join it"
useradd -m -s /bin/bash ewa
as ewa env DISPLAY=:"$ala_display" mirelo >/tmp/mirelo-ewa.log 2>&1 &
ewa_program=$!
about=$(window "$ala_display" '^O programie$') || { cat /tmp/mirelo-ewa.log; fail "ewa: no about box"; }
press "$ala_display" "$about" Escape
told=$(error_text "$ala_display" /tmp/mirelo-ewa.log) || { cat /tmp/mirelo-ewa.log; fail "ewa was told nothing"; }
echo "$told" | grep -q 'adduser ewa mirelo' || fail "ewa was not told to join the group: $told"
if wait "$ewa_program"; then fail "ewa's program ended with success"; fi

step "the office server: office-server.sh, and fnet.cfg with its password"
# A real machine names itself in /etc/hosts; the fresh system has no such file.
echo "127.0.0.1 localhost" >/etc/hosts
port=$((20000 + RANDOM % 10000))
while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done
password="Hasło biura 'Żuraw' 7"
# The password on standard input, where ps does not show it; the clients
# reach the server by the address it is bound to.
printf '%s\n' "$password" | bash /tmp/mirelo/scripts/office-server.sh --port "$port" --bind 127.0.0.1 \
  --template "$program/mr" | tee /tmp/office-server.out
printed=$(tail -3 /tmp/office-server.out)
[ "$printed" = "127.0.0.1/$port:/srv/mirelo
$password
MIRELO" ] || fail "office-server.sh printed other fnet.cfg lines: $printed"
[ "$(stat -c '%U %a' /etc/firebird/3.0/SYSDBA.password)" = "root 600" ] || fail "SYSDBA's password is not root's alone"
sysdba=$(. /etc/firebird/3.0/SYSDBA.password; printf '%s' "$ISC_PASSWORD")
[ -n "$sysdba" ] && [ "$sysdba" != "$password" ] || fail "SYSDBA's password is the program user's"
# Everyone may read it: the program refuses to start, and says how to mend it.
printf '%s\r\n' "127.0.0.1/$port:/srv/mirelo" "$password" MIRELO >"$program/fnet.cfg"
chmod 0644 "$program/fnet.cfg"
as ola env DISPLAY=:"$ola_display" mirelo >/tmp/mirelo-ola-open.log 2>&1 &
open_program=$!
told=$(error_text "$ola_display" /tmp/mirelo-ola-open.log) || { cat /tmp/mirelo-ola-open.log; fail "an fnet.cfg everyone may read was taken"; }
echo "$told" | grep -q "chmod 0640 $program/fnet.cfg" || fail "the program did not say how to mend fnet.cfg: $told"
wait "$open_program" || true
chgrp mirelo "$program/fnet.cfg"
chmod 0640 "$program/fnet.cfg"
# Two users' programs share the server's database: Ola adds, Ala's program
# hears it.
remote="127.0.0.1/$port:/srv/mirelo/mr.fdb"
first_records "$remote" -password "$sysdba"
start_program ala "$ala_display" /tmp/mirelo-ala-server.log
ala_program=$started
start_program ola "$ola_display" /tmp/mirelo-ola-server.log
ola_program=$started
before=$(reads "$remote" -password "$sysdba")
[ "$(echo "$before" | wc -l)" -eq 2 ] || fail "expected the two programs attached to the server, found: $before"
signed_in=$(printf 'set heading off;\nselect distinct MON$USER from MON$ATTACHMENTS where MON$ATTACHMENT_ID <> current_connection and MON$SYSTEM_FLAG = 0;\n' \
  | sql ala "$remote" -password "$sysdba" | awk 'NF { print $1 }')
[ "$signed_in" = MIRELO ] || fail "the programs signed in as $signed_in, not as MIRELO"
add_note "$ola_display" 'od Oli na serwerze'
wait_for_rereads "$before" "$remote" -password "$sysdba"
count=$(printf 'set heading off;\nselect count(*) from NOTA where TRESC = '"'od Oli na serwerze'"';\n' \
  | sql ala "$remote" -password "$sysdba" | awk 'NF { print $1 }')
[ "$count" = 1 ] || fail "the server's database holds $count notes 'od Oli na serwerze', not 1"
for d in "$ala_display" "$ola_display"; do
  press "$d" "$(window "$d" '^Mirelo ver')" Escape
  press "$d" "$(window "$d" '^Wyjście z programu$')" Return
done
wait "$ala_program" || fail "ala's server client ended with $?"
wait "$ola_program" || fail "ola's server client ended with $?"
# The program's own password opens no door there.
cp -p "$program/fnet.cfg" /tmp/fnet.cfg
printf '%s\n' "127.0.0.1/$port:/srv/mirelo" >"$program/fnet.cfg"
show_program ola "$ola_display" /tmp/mirelo-ola-refused.log
press "$ola_display" "$about" Escape
refused=$(window "$ola_display" "$error_title" 2>/dev/null) || fail "the server let the program's own password in"
press "$ola_display" "$refused" Return
if wait "$started"; then fail "a refused program ended with success"; fi
cp -p /tmp/fnet.cfg "$program/fnet.cfg"
/etc/init.d/firebird3.0 stop >/dev/null

step "apt remove keeps the data"
apt-get remove -y -q mirelo >/tmp/apt-remove.log 2>&1 || { tail -20 /tmp/apt-remove.log; fail "apt-get remove"; }
[ ! -e /usr/bin/mirelo ] && [ ! -e "$program/mirelo" ] || fail "the program stayed"
[ -d /opt ] || fail "removing the package took /opt"
[ -f "$program/fnet.cfg" ] || fail "removing the package took fnet.cfg, which only purging takes"
[ -f "$database" ] || fail "the database went with the program"
count=$(printf 'set heading off;\nselect count(*) from NOTA;\n' | sql ala "$database" | awk 'NF { print $1 }')
[ "$count" = 2 ] || fail "the database kept $count notes, not 2"
grep -q 'Opis od ola' "$top/Dane/Opisy.txt" || fail "the stored texts went"

step "apt purge drops the engine's folder and keeps the office's records"
apt-get purge -y -q mirelo >/tmp/apt-purge.log 2>&1 || { tail -20 /tmp/apt-purge.log; fail "apt-get purge"; }
[ ! -e "$top/firebird" ] || fail "purge left $top/firebird"
[ ! -e "$program/fnet.cfg" ] || fail "purge left fnet.cfg with its password"
[ ! -e /opt/Vorlane ] || fail "purge left $(find /opt/Vorlane)"
[ -d /opt ] || fail "purging the package took /opt"
[ -f "$database" ] && grep -q 'Opis od ola' "$top/Dane/Opisy.txt" || fail "purge took the office's records"
