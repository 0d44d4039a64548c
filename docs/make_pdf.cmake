# Makes podrecznik.pdf from the Flat ODT source of the manual.
#
#   cmake -DSOFFICE=... -DSOURCE_DIR=... -DWORK_DIR=... -DOUTPUT=... -DVERSION=...
#         -P make_pdf.cmake
#
# SOURCE_DIR holds podrecznik.fodt, its pictures and pdf.bas. The document is
# copied into WORK_DIR with its pictures (LibreOffice leaves a lock file
# beside a document it opens), and LibreOffice runs the macro of pdf.bas from
# a profile of its own in WORK_DIR: a plain --convert-to would leave the table
# of contents as it is stored in the source, without page numbers.

cmake_minimum_required(VERSION 3.25)

foreach(variable SOFFICE SOURCE_DIR WORK_DIR OUTPUT VERSION)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "make_pdf.cmake: ${variable} is not set")
  endif()
endforeach()

set(document_dir ${WORK_DIR}/dokument)
set(profile_dir ${WORK_DIR}/profil)
file(REMOVE_RECURSE ${document_dir})
file(MAKE_DIRECTORY ${document_dir})
file(GLOB pictures ${SOURCE_DIR}/*.png)
file(COPY ${SOURCE_DIR}/podrecznik.fodt ${pictures} DESTINATION ${document_dir})

# A file URL for LibreOffice: blanks and a few other characters escaped.
function(file_url path result)
  string(REPLACE "%" "%25" path "${path}")
  string(REPLACE " " "%20" path "${path}")
  string(REPLACE "#" "%23" path "${path}")
  set(${result} "file://${path}" PARENT_SCOPE)
endfunction()
file_url(${profile_dir} profile_url)

# A new profile is made by LibreOffice's first start; its Basic libraries are
# written then, so the macro goes in afterwards.
set(basic_dir ${profile_dir}/user/basic/Standard)
if(NOT EXISTS ${basic_dir}/script.xlb)
  execute_process(
    COMMAND ${SOFFICE} -env:UserInstallation=${profile_url} --headless --norestore --terminate_after_init
    RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET TIMEOUT 600)
  if(NOT EXISTS ${basic_dir}/script.xlb)
    message(FATAL_ERROR "LibreOffice did not make its profile in ${profile_dir} (${result})")
  endif()
endif()

file(READ ${SOURCE_DIR}/pdf.bas basic)
string(REPLACE "&" "&amp;" basic "${basic}")
string(REPLACE "<" "&lt;" basic "${basic}")
string(REPLACE ">" "&gt;" basic "${basic}")
string(REPLACE "\"" "&quot;" basic "${basic}")
file(WRITE ${basic_dir}/Podrecznik.xba
  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
  "<!DOCTYPE script:module PUBLIC \"-//OpenOffice.org//DTD OfficeDocument 1.0//EN\" \"module.dtd\">\n"
  "<script:module xmlns:script=\"http://openoffice.org/2000/script\" script:name=\"Podrecznik\" "
  "script:language=\"StarBasic\">${basic}</script:module>\n")
file(WRITE ${basic_dir}/script.xlb
  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
  "<!DOCTYPE library:library PUBLIC \"-//OpenOffice.org//DTD OfficeDocument 1.0//EN\" \"library.dtd\">\n"
  "<library:library xmlns:library=\"http://openoffice.org/2000/library\" library:name=\"Standard\" "
  "library:readonly=\"false\" library:passwordprotected=\"false\">\n"
  " <library:element library:name=\"Podrecznik\"/>\n"
  "</library:library>\n")

set(scratch ${WORK_DIR}/podrecznik.pdf)
file(REMOVE ${scratch})
execute_process(
  COMMAND ${SOFFICE} -env:UserInstallation=${profile_url} --headless --norestore --nologo
          "macro:///Standard.Podrecznik.Eksportuj(\"${document_dir}/podrecznik.fodt\",\"${scratch}\",\"${VERSION}\")"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output TIMEOUT 900)
if(NOT EXISTS ${scratch})
  message(FATAL_ERROR "LibreOffice did not write the manual (${result}):\n${output}")
endif()
file(RENAME ${scratch} ${OUTPUT})
