#!/usr/bin/env bash
# Makes this Debian 12 machine the office's database server: installs the
# Firebird 3 server, puts the program's database in a server folder, sets
# the administrator's password and prints the two lines of fnet.cfg that
# every copy of the program needs to use it. As root:
#
#   bash scripts/office-server.sh [--password PASSWORD] [--folder /srv/mirelo]
#        [--template FILE] [--port 3050] [--bind ADDRESS] [--host NAME]
#
# Without --password the password is asked for. --template defaults to the
# build's build/db/mr.template, else the package's /opt/Vorlane/Mirelo/mr.
# An existing database in the folder is kept. The server listens on every
# address unless --bind names one; --host is the name clients reach this
# machine by (default: its host name).
set -euo pipefail

usage() { sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }

password= folder=/srv/mirelo template= port=3050 bind= host=$(hostname)
password_given=
while (($#)); do
  case $1 in
    --password) password=${2?}; password_given=1; shift 2 ;;
    --folder) folder=${2?}; shift 2 ;;
    --template) template=${2?}; shift 2 ;;
    --port) port=${2?}; shift 2 ;;
    --bind) bind=${2?}; shift 2 ;;
    --host) host=${2?}; shift 2 ;;
    -h|--help) usage ;;
    *) echo "office-server.sh: unknown argument $1" >&2; usage ;;
  esac
done

if [ "$(id -u)" -ne 0 ]; then
  echo "office-server.sh: run it as root" >&2
  exit 1
fi

here=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "$template" ]; then
  for candidate in "$here/build/db/mr.template" /opt/Vorlane/Mirelo/mr; do
    if [ -f "$candidate" ]; then template=$candidate; break; fi
  done
fi
if [ -z "$template" ] || [ ! -f "$template" ]; then
  echo "office-server.sh: no template database: build the program (bash scripts/build.sh)," >&2
  echo "install the package, or name one with --template" >&2
  exit 1
fi
case $folder in
  /*) ;;
  *) echo "office-server.sh: the folder must be an absolute path" >&2; exit 2 ;;
esac
case $port in
  ''|*[!0-9]*) echo "office-server.sh: --port takes a number" >&2; exit 2 ;;
esac

if [ -z "$password_given" ]; then
  if [ ! -t 0 ]; then
    echo "office-server.sh: give the password with --password or run it at a terminal" >&2
    exit 2
  fi
  read -r -s -p "Administrator's password of the database server: " password; echo
  read -r -s -p "The same again: " again; echo
  if [ "$password" != "$again" ]; then
    echo "office-server.sh: the two differ" >&2
    exit 1
  fi
fi
# fnet.cfg carries it on one line, read without surrounding blanks.
if [ -z "$password" ] || [ "$password" != "$(printf '%s' "$password" | sed 's/^[[:space:]]*//; s/[[:space:]]*$//')" ] \
    || [ "$(printf '%s' "$password" | wc -l)" -ne 0 ]; then
  echo "office-server.sh: the password must be one line without blanks around it" >&2
  exit 2
fi
if [ "$password" = quorbelin ]; then
  echo "office-server.sh: that is the program's own password, known to every copy of it; choose another" >&2
  exit 2
fi

export DEBIAN_FRONTEND=noninteractive
missing=()
for p in firebird3.0-server firebird3.0-utils; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

service_do() {
  if [ -d /run/systemd/system ]; then
    systemctl "$1" firebird3.0
  else
    /etc/init.d/firebird3.0 "$1"
  fi
}

conf=/etc/firebird/3.0/firebird.conf
security=/var/lib/firebird/3.0/system/security3.fdb

service_do stop >/dev/null

# Where the server listens. Debian's default serves this machine alone.
set_setting() {  # name value: replaces the setting, or adds it
  if grep -Eq "^[[:space:]]*$1[[:space:]]*=" "$conf"; then
    sed -i -E "s|^[[:space:]]*$1[[:space:]]*=.*|$1 = $2|" "$conf"
  else
    printf '%s = %s\n' "$1" "$2" >>"$conf"
  fi
}
cp -n "$conf" "$conf.before-mirelo"
if [ -n "$bind" ]; then
  set_setting RemoteBindAddress "$bind"
else
  sed -i -E 's|^[[:space:]]*RemoteBindAddress[[:space:]]*=|#&|' "$conf"
fi
set_setting RemoteServicePort "$port"

# The password lives in the server's security database: set it there with
# the server stopped (it holds the file while it runs), as Debian does.
quoted=${password//\'/\'\'}
lock=$(mktemp -d)
printf "create or alter user SYSDBA password '%s';\ncommit;\n" "$quoted" \
  | FIREBIRD_LOCK=$lock isql-fb -q -ch UTF8 -user SYSDBA "$security"
rm -rf "$lock"
chown firebird:firebird "$security"
chmod 0660 "$security"
# Debian's maintenance scripts read it from here.
umask 077
{
  echo "# Password for firebird SYSDBA user (set by office-server.sh)"
  echo "ISC_USER=sysdba"
  printf "ISC_PASSWORD='%s'\n" "${password//\'/\'\\\'\'}"
} >/etc/firebird/3.0/SYSDBA.password
umask 022

# The database; the server runs as the firebird user.
install -d -o firebird -g firebird -m 0770 "$folder"
if [ -e "$folder/mr.fdb" ]; then
  echo "office-server.sh: $folder/mr.fdb is there already and stays as it is"
else
  install -o firebird -g firebird -m 0660 "$template" "$folder/mr.fdb"
fi

service_do start >/dev/null

# A client that signs in proves the folder, the port and the password.
address=${bind:-127.0.0.1}
ready=
for _ in $(seq 50); do
  if printf 'select count(*) from FIRMA;\n' \
      | ISC_USER=SYSDBA ISC_PASSWORD=$password isql-fb -q "$address/$port:$folder/mr.fdb" >/dev/null 2>&1; then
    ready=1; break
  fi
  sleep 0.2
done
if [ -z "$ready" ]; then
  echo "office-server.sh: the server does not answer on $address/$port" >&2
  exit 1
fi

if [ "$port" = 3050 ]; then name="$host:$folder"; else name="$host/$port:$folder"; fi
cat <<EOF

The server keeps the database $folder/mr.fdb.
On every client put these two lines into fnet.cfg beside the program
(/opt/Vorlane/Mirelo/fnet.cfg; chgrp mirelo, chmod 0640: it holds the password):

$name
$password
EOF
