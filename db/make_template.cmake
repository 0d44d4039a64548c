# Runs schema.sql through isql-fb into a new database file, then moves it to
# OUTPUT, so that a failed run never leaves a half-made template behind.
set(fb_dir ${WORKDIR}/firebird)
set(scratch ${WORKDIR}/mr.fdb)
file(MAKE_DIRECTORY ${fb_dir})
file(WRITE ${fb_dir}/firebird.conf "include /etc/firebird/3.0/firebird.conf\nServerMode = SuperClassic\n")
file(REMOVE ${scratch} ${OUTPUT})
file(READ ${SCHEMA} schema)
file(WRITE ${WORKDIR}/create.sql
  "CREATE DATABASE '${scratch}' USER 'SYSDBA' PASSWORD 'quorbelin' PAGE_SIZE 8192 DEFAULT CHARACTER SET UTF8;\n${schema}")
set(ENV{FIREBIRD} ${fb_dir})
set(ENV{FIREBIRD_LOCK} ${fb_dir})
execute_process(
  COMMAND ${ISQL} -q -b -i ${WORKDIR}/create.sql
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR output MATCHES "Statement failed|error")
  file(REMOVE ${scratch})
  message(FATAL_ERROR "isql-fb could not create the template database:\n${output}")
endif()
file(RENAME ${scratch} ${OUTPUT})
