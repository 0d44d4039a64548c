#!/bin/sh
# Saves the printout templates from their Writer sources: src/NAME.fodt
# becomes NAME.rtf, written by LibreOffice Writer itself. Run it after
# changing a source (open it in Writer, or edit the XML) and commit both.
set -eu
cd "$(dirname "$0")"
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT

for source in src/*.fodt; do
    template=$(basename "$source" .fodt).rtf
    soffice -env:UserInstallation="file://$profile" --headless --convert-to rtf --outdir . "$source" >/dev/null
    # Writer keeps "Repeat heading" in its own formats but does not write
    # \trhdr into RTF (LibreOffice 7.4): mark the heading rows of the source
    # ourselves, so that a word processor repeats them on every page.
    python3 - "$source" "$template" <<'PYTHON'
import re, sys
import xml.etree.ElementTree as ET

TABLE = "{urn:oasis:names:tc:opendocument:xmlns:table:1.0}"
source, template = sys.argv[1], sys.argv[2]
rows, heading = 0, []
def walk(element, in_heading):
    global rows
    for child in element:
        if child.tag == TABLE + "table-row":
            if in_heading:
                heading.append(rows)
            rows += 1
        walk(child, in_heading or child.tag == TABLE + "table-header-rows")
walk(ET.parse(source).getroot(), False)

with open(template, "rb") as f:
    rtf = f.read()
starts = [m.start() for m in re.finditer(rb"\\trowd(?![a-z])", rtf)]
if len(starts) != rows:
    sys.exit(f"{template}: {len(starts)} rows in the RTF, {rows} in {source}")
for row in reversed(heading):
    at = starts[row] + len(b"\\trowd")
    rtf = rtf[:at] + b"\\trhdr" + rtf[at:]
with open(template, "wb") as f:
    f.write(rtf)
PYTHON
done
