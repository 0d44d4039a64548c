# Reads back the manual the build made (podrecznik.pdf beside the
# executables) and checks what a reader meets first: the title page with the
# program's version, a table of contents that lists every chapter with the
# page it starts on, each chapter beginning on that page under its number,
# and the pictures of the program with their captions.
#
#   cmake -DPDF=... -DSOFFICE=... -DPDFTOTEXT=... -DPDFIMAGES=... -DSOURCE=...
#         -DVERSION=... -P check_manual.cmake
cmake_minimum_required(VERSION 3.25)

# The chapters the manual has, in their order.
set(chapters
  "Instalacja"
  "Pierwsze uruchomienie"
  "Firmy i systemy numeracji"
  "Odbiorcy"
  "Noty"
  "Filtr"
  "Wydruki"
  "Archiwizacja i dearchiwizacja"
  "Co zrobić, gdy coś nie działa"
  "Skróty klawiszowe")

if(NOT SOFFICE)
  message("manual test skipped: LibreOffice is not installed, so the build made no podrecznik.pdf")
  return()
endif()
if(NOT PDFTOTEXT OR NOT PDFIMAGES)
  message("manual test skipped: pdftotext and pdfimages (poppler-utils) are not installed")
  return()
endif()
if(NOT EXISTS ${PDF})
  message(FATAL_ERROR "${PDF} is missing: the build did not make the manual")
endif()

function(pdf_text result)
  execute_process(COMMAND ${PDFTOTEXT} -layout -enc UTF-8 ${ARGN} ${PDF} -
                  OUTPUT_VARIABLE text RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "pdftotext could not read ${PDF}")
  endif()
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

function(regex_quote text result)
  string(REGEX REPLACE "([][+.*()^$?|\\\\])" "\\\\\\1" quoted "${text}")
  set(${result} "${quoted}" PARENT_SCOPE)
endfunction()

set(failures "")

# The title page, with the version the build put in.
pdf_text(title -f 1 -l 1)
foreach(expected "Mirelo" "podręcznik użytkownika" "Wersja programu ${VERSION}")
  string(FIND "${title}" "${expected}" at)
  if(at EQUAL -1)
    string(APPEND failures "the title page lacks \"${expected}\"\n")
  endif()
endforeach()

# The table of contents: "N. Title.......page", and the chapter on that page.
pdf_text(contents -f 2 -l 2)
string(FIND "${contents}" "Spis treści" at)
if(at EQUAL -1)
  string(APPEND failures "page 2 is not the table of contents\n")
endif()
set(number 0)
set(previous_page 2)
foreach(chapter IN LISTS chapters)
  math(EXPR number "${number} + 1")
  regex_quote("${number}. ${chapter}" heading)
  if(NOT contents MATCHES "\n *${heading}\\.\\.+ *([0-9]+) *\n")
    string(APPEND failures "the table of contents has no line \"${number}. ${chapter} .... page\"\n")
    continue()
  endif()
  set(page ${CMAKE_MATCH_1})
  if(page LESS_EQUAL previous_page)
    string(APPEND failures "chapter ${number} is listed on page ${page}, not after page ${previous_page}\n")
  endif()
  set(previous_page ${page})
  pdf_text(text -f ${page} -l ${page})
  if(NOT text MATCHES "^[ \n]*${heading}\n")
    string(APPEND failures "page ${page} does not begin with \"${number}. ${chapter}\"\n")
  endif()
endforeach()

# Every picture the source shows is in the PDF, with a numbered caption.
file(READ ${SOURCE} source)
string(REGEX MATCHALL "xlink:href=\"[^\"]+\\.png\"" pictures "${source}")
list(LENGTH pictures picture_count)
if(picture_count LESS 2)
  string(APPEND failures "the source shows ${picture_count} pictures; the main window and the note dialog at least\n")
endif()
foreach(picture glowne-okno.png okno-pozycji.png)
  string(FIND "${source}" "xlink:href=\"${picture}\"" at)
  if(at EQUAL -1)
    string(APPEND failures "the manual does not show ${picture}\n")
  endif()
endforeach()
execute_process(COMMAND ${PDFIMAGES} -list ${PDF} OUTPUT_VARIABLE images)
string(REGEX MATCHALL "\n *[0-9]+ +[0-9]+ +image " embedded "${images}")
list(LENGTH embedded embedded_count)
if(embedded_count LESS picture_count)
  string(APPEND failures "the PDF holds ${embedded_count} pictures of the ${picture_count} the source shows\n")
endif()
pdf_text(all)
foreach(n RANGE 1 ${picture_count})
  if(NOT all MATCHES "Rysunek ${n}\\. [^ \n]")
    string(APPEND failures "no caption \"Rysunek ${n}. ...\"\n")
  endif()
endforeach()

if(failures)
  message(FATAL_ERROR "podrecznik.pdf:\n${failures}")
endif()
message("podrecznik.pdf: ${number} chapters in the table of contents and on their pages, ${embedded_count} pictures")
