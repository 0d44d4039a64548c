#!/bin/sh
# /usr/bin/mirelo: the installed program as the office's users start it.
# Every user's copy shares the machine's embedded database, so each must
# meet the others in the same engine folder; what the engine and the program
# create in the shared folders stays writable for the mirelo group.
MIRELO_FIREBIRD_DIR=/var/lib/Vorlane/Mirelo/firebird
export MIRELO_FIREBIRD_DIR
umask 002
exec /opt/Vorlane/Mirelo/mirelo "$@"
