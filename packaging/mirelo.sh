#!/bin/sh
# /usr/bin/mirelo: the installed program as the office's users start it.
# Every user's copy shares the machine's embedded database and meets the
# others through the lock files in /var/lib/Vorlane/Mirelo/firebird (the
# program finds it there); what the engine and the program create in the
# shared folders stays writable for the mirelo group.
umask 002
exec /opt/Vorlane/Mirelo/mirelo "$@"
