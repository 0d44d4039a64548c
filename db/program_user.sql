/* The rights of the program's user MIRELO on the office server's database:
   reading and writing the rows of the program's three tables, nothing else.
   office-server.sh runs this as SYSDBA once it has made the user; its first
   statement takes back whatever the user held before, so the rights are
   exactly these after every run.
   No grant is needed for the identity columns, whose values the engine
   takes itself, nor for the event NOTA's trigger posts. SELECT ... WITH LOCK,
   with which the program holds a company while it numbers a note, asks for
   UPDATE on FIRMA. */

REVOKE ALL ON ALL FROM USER MIRELO;

GRANT SELECT, INSERT, UPDATE, DELETE ON FIRMA TO USER MIRELO;
GRANT SELECT, INSERT, UPDATE, DELETE ON KONTRAHENT TO USER MIRELO;
GRANT SELECT, INSERT, UPDATE, DELETE ON NOTA TO USER MIRELO;

COMMIT;
