#!/usr/bin/env bash
# Makes this Debian 12 machine the office's database server: installs the
# Firebird 3 server, puts the program's database in a server folder, makes
# the program's own user MIRELO with only the rights the program needs
# (db/program_user.sql) and prints the three lines of fnet.cfg that every
# copy of the program needs to use it. As root:
#
#   bash scripts/office-server.sh [--password-file FILE] [--folder /srv/mirelo]
#        [--template FILE] [--port 3050] [--bind ADDRESS] [--host NAME]
#
# The password of the program's user is read from FILE, else from standard
# input (its first line), else asked for at the terminal; --password
# PASSWORD also works, but every user of the machine sees it in ps. The
# server administrator's (SYSDBA's) password stays on the server, readable
# by root alone, in /etc/firebird/3.0/SYSDBA.password: the one there is
# kept, else a new one is made. --template defaults to the build's
# build/db/mr.template, else the package's /opt/Vorlane/Mirelo/mr. An
# existing database in the folder is kept. The server listens on every
# address unless --bind names one; clients reach it by --host, by default
# the --bind address, else this machine's host name.
set -euo pipefail

usage() { sed -n '2,21p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }

program_user=MIRELO  # the user db/program_user.sql grants its rights to
password= password_file= folder=/srv/mirelo template= port=3050 bind= host=
password_given=
while (($#)); do
  case $1 in
    --password) password=${2?}; password_given=1; shift 2
      echo "office-server.sh: --password shows the password to every user of this machine (ps);" \
        "--password-file FILE or standard input do not" >&2 ;;
    --password-file) password_file=${2?}; shift 2 ;;
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
grants=$here/db/program_user.sql
if [ ! -f "$grants" ]; then
  echo "office-server.sh: $grants is missing: run the script from the program's sources" >&2
  exit 1
fi
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
host=${host:-${bind:-$(hostname)}}

# The program user's password.
if [ -n "$password_file" ]; then
  [ -r "$password_file" ] || { echo "office-server.sh: cannot read $password_file" >&2; exit 1; }
  IFS= read -r password <"$password_file" || true
elif [ -z "$password_given" ] && [ ! -t 0 ]; then
  IFS= read -r password || true
elif [ -z "$password_given" ]; then
  read -r -s -p "Password of the program's user $program_user on the database server: " password; echo
  read -r -s -p "The same again: " again; echo
  if [ "$password" != "$again" ]; then
    echo "office-server.sh: the two differ" >&2
    exit 1
  fi
fi
password=${password%$'\r'}
# fnet.cfg carries it on one line, read without surrounding blanks.
if [ -z "$password" ] || [ "$password" != "$(printf '%s' "$password" | sed 's/^[[:space:]]*//; s/[[:space:]]*$//')" ]; then
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
sysdba_file=/etc/firebird/3.0/SYSDBA.password

# SYSDBA's password: the one Debian or an earlier run left on the server,
# unless it is one every copy of the program or of Firebird knows.
sysdba=
if [ -f "$sysdba_file" ]; then
  sysdba=$(. "$sysdba_file" >/dev/null 2>&1; printf '%s' "${ISC_PASSWORD:-}")
fi
case $sysdba in
  ''|quorbelin|masterkey|"$password") sysdba=$(head -c 18 /dev/urandom | base64 | tr '+/' '-_') ;;
esac

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
  echo "office-server.sh: the server will listen on every address of this machine (--bind ADDRESS limits it to one)" >&2
fi
set_setting RemoteServicePort "$port"

# Both users live in the server's security database: set them there with
# the server stopped (it holds the file while it runs), as Debian does.
sql_text() { printf '%s' "${1//\'/\'\'}"; }
lock=$(mktemp -d)
printf "create or alter user SYSDBA password '%s';\ncreate or alter user %s password '%s';\ncommit;\n" \
    "$(sql_text "$sysdba")" "$program_user" "$(sql_text "$password")" \
  | FIREBIRD_LOCK=$lock isql-fb -q -b -ch UTF8 -user SYSDBA "$security"
rm -rf "$lock"
chown firebird:firebird "$security"
chmod 0660 "$security"
# Debian's maintenance scripts read it from here; root alone may.
umask 077
{
  echo "# Password for firebird SYSDBA user (set by office-server.sh)"
  echo "ISC_USER=sysdba"
  printf "ISC_PASSWORD='%s'\n" "${sysdba//\'/\'\\\'\'}"
} >"$sysdba_file"
chown root:root "$sysdba_file"
chmod 0600 "$sysdba_file"
umask 022

# The database; the server runs as the firebird user.
install -d -o firebird -g firebird -m 0770 "$folder"
if [ -e "$folder/mr.fdb" ]; then
  echo "office-server.sh: $folder/mr.fdb is there already and stays as it is"
else
  install -o firebird -g firebird -m 0660 "$template" "$folder/mr.fdb"
fi

service_do start >/dev/null

address=${bind:-127.0.0.1}
database="$address/$port:$folder/mr.fdb"
ready=
for _ in $(seq 50); do
  if printf 'select count(*) from RDB$DATABASE;\n' \
      | ISC_USER=SYSDBA ISC_PASSWORD=$sysdba isql-fb -q "$database" >/dev/null 2>&1; then
    ready=1; break
  fi
  sleep 0.2
done
if [ -z "$ready" ]; then
  echo "office-server.sh: the server does not answer on $address/$port" >&2
  exit 1
fi
# The program user's rights on the database.
# (Taking back what it held warns on every run but the first: the output
# is shown only when the granting fails.)
log=$(mktemp)
if ! ISC_USER=SYSDBA ISC_PASSWORD=$sysdba isql-fb -q -b -i "$grants" "$database" >"$log" 2>&1; then
  cat "$log" >&2
  rm -f "$log"
  echo "office-server.sh: granting $program_user its rights failed" >&2
  exit 1
fi
rm -f "$log"
# The program user signs in and reads, as the program will.
printf 'select count(*) from FIRMA;\n' \
  | ISC_USER=$program_user ISC_PASSWORD=$password isql-fb -q -b "$database" >/dev/null \
  || { echo "office-server.sh: $program_user cannot read the database" >&2; exit 1; }

if [ "$port" = 3050 ]; then name="$host:$folder"; else name="$host/$port:$folder"; fi
cat <<EOF

The server keeps the database $folder/mr.fdb. Its administrator's (SYSDBA's)
password is in $sysdba_file, for root alone.
On every client put these three lines into fnet.cfg beside the program
(/opt/Vorlane/Mirelo/fnet.cfg; chown root:mirelo, chmod 0640: it holds the
password of the program's user):

$name
$password
$program_user
EOF
