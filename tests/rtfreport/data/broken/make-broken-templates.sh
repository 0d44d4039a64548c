#!/bin/sh
# Writes the broken templates of the error-place tests: ../note_template.html
# with one mistake each, saved as RTF by LibreOffice Writer itself.
set -eu
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - ../note_template.html "$work" <<'PYTHON'
import sys
source, work = sys.argv[1], sys.argv[2]
base = open(source, encoding="utf-8").read()
mistakes = {
    "unknown_field": ("\\IF(RAZEM&gt;100)\\", "\\IF(RAZEMX&gt;100)\\"),
    "unknown_dataset": ("\\SCAN(A)\\", "\\SCAN(B)\\"),
    "bad_expression": ("\\IF(RAZEM&gt;100)\\", "\\IF(RAZEM&gt;&gt;100)\\"),
    "unclosed_if": ("<p>\\ENDIF\\</p>\n", ""),
    "unclosed_scan": ("<p>\\ENDSCAN,SUM(A:KWOTA,RAZEM)\\</p>\n", ""),
    "division_by_zero": ("Razem: \\FNUM(RAZEM,12:2)\\", "Razem: \\FNUM(RAZEM/0,12:2)\\"),
    "slownie_of_text": ("Razem: \\FNUM(RAZEM,12:2)\\", "Razem: \\SLOWNIE(ODBIORCA)\\"),
}
for name, (right, wrong) in mistakes.items():
    assert right in base, name
    open(f"{work}/{name}.html", "w", encoding="utf-8").write(base.replace(right, wrong, 1))
PYTHON
soffice -env:UserInstallation="file://$work/profile" --headless --infilter="HTML (StarWriter)" \
    --convert-to rtf --outdir . "$work"/*.html >/dev/null
