#!/usr/bin/env python3
"""Templates of awkward shapes through mirelo-rtf: wall time and peak memory.

Writes each template into a scratch folder, runs the tool on it once under
/usr/bin/time and prints the seconds, the peak resident memory and its
ratio to the template's size. Run it on a Release build:

    python3 bench/hostile_templates.py build-bench/mirelo-rtf [SHAPE ...]

TIME_LIMIT=SECONDS in the environment stops a shape after that long
(default 600).

Shapes (all of them when none is named):
    if_paragraph     10 000 IF blocks in one paragraph (210 KB)
    if_paragraph_10m the same shape grown to 10 MB
    nested_if        IF blocks nested 4 000 deep
    nested_if_10m    IF blocks nested as deep as 10 MB allows
    if_variable_10m, nested_if_variable_10m
                     the two 10 MB IF shapes with a condition on a variable
    fields_10m       10 MB of paragraphs with fields and text
    braces_10m       10 MB of nested groups around one field
    quotes_10m       10 MB of fields that open a quotation and never close
    scans_10m        10 MB of one-line SCAN blocks over an empty data set
    fields_200m      200 MB with 3.9 million fields (memory)
    distinct_fields_20m  20 MB with 390 000 fields, each of its own name (memory)
"""

import os
import subprocess
import sys
import tempfile

D = "\\\\"  # a field delimiter: the RTF text of one backslash
MB = 1024 * 1024


def if_paragraph(count=10000, condition="1<2"):
    return "{\\rtf1 " + (D + "IF(" + condition + ")" + D + "x" + D + "ENDIF" + D) * count + "\\par}"


def nested_if(depth=4000, condition="1<2"):
    return "{\\rtf1 " + (D + "IF(" + condition + ")" + D) * depth + "x" + (D + "ENDIF" + D) * depth + "\\par}"


def fields(size, names=("NUMER", "DATA", "ODBIORCA", "KWOTA")):
    line = "".join("\\pard %s: %s%s%s text\\par\n" % (name.lower(), D, name, D) for name in names)
    return "{\\rtf1 " + line * (size // len(line)) + "}"


def braces(size):
    half = size // 2
    return "{\\rtf1 " + "{" * half + D + "NUMER" + D + "}" * half + "}"


def quotes(size):
    # A field opens a quotation that nothing closes: each read runs to the
    # length limit of a field, and the next field starts three bytes on.
    return "{\\rtf1 " + (D + "\x93") * (size // 3) + "}"


def scans(size):
    line = D + "SCAN(A)" + D + D + "A:X" + D + D + "ENDSCAN" + D + "\\par\n"
    return "{\\rtf1 " + line * (size // len(line)) + "}"


def fields_200m():
    # 51 bytes a field, as a register printed field by field.
    line = "\\pard %sNUMER%s lorem ipsum dolor sit amet, sed\\par\n" % (D, D)
    return "{\\rtf1 " + line * 3900000 + "}"


def distinct_fields(count):
    # Every field a name of its own: nothing to share between field records.
    return "{\\rtf1 " + "".join("\\pard %sPOLE%07d%s lorem ipsum dolor\\par\n" % (D, i, D) for i in range(count)) + "}"


EMPTY_DATA = '{"name": "A", "fields": [{"name": "X", "type": "string"}], "rows": []}'

SHAPES = {
    "if_paragraph": lambda: if_paragraph(),
    "if_paragraph_10m": lambda: if_paragraph(10 * MB // 21),
    "nested_if": lambda: nested_if(),
    "nested_if_10m": lambda: nested_if(10 * MB // 17),
    # The same with a condition on a variable: nothing to work out once.
    "if_variable_10m": lambda: if_paragraph(10 * MB // 28, "NUMER<>'x'"),
    "nested_if_variable_10m": lambda: nested_if(10 * MB // 27, "NUMER<>'x'"),
    "fields_10m": lambda: fields(10 * MB),
    "braces_10m": lambda: braces(10 * MB),
    "quotes_10m": lambda: quotes(10 * MB),
    "scans_10m": lambda: scans(10 * MB),
    "fields_200m": fields_200m,
    "distinct_fields_20m": lambda: distinct_fields(390000),
}


def run(tool, name, folder):
    template = os.path.join(folder, name + ".rtf")
    with open(template, "w", encoding="latin-1") as out:
        out.write(SHAPES[name]())
    data = os.path.join(folder, "empty.json")
    with open(data, "w") as out:
        out.write(EMPTY_DATA)
    output = os.path.join(folder, name + ".out.rtf")
    report = os.path.join(folder, "time.txt")
    # A shape that takes too long is stopped (exit 124) after TIME_LIMIT seconds.
    command = ["/usr/bin/time", "-o", report, "-f", "%e %M", "timeout", os.environ.get("TIME_LIMIT", "600"), tool, "--var", "NUMER=7/2021", "--data", data,
               template, output]
    result = subprocess.run(command, capture_output=True, text=True)
    seconds, kilobytes = open(report).read().split()[-2:]
    size = os.path.getsize(template)
    peak = int(kilobytes) * 1024
    print("%-18s %8.1f MB  exit %d  %8s s  peak %7.1f MB  (%.2f x the template)"
          % (name, size / MB, result.returncode, seconds, peak / MB, peak / size), flush=True)
    if result.returncode != 0:
        print("    " + result.stderr.strip()[:200], flush=True)
    for path in (template, output):
        if os.path.exists(path):
            os.remove(path)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    tool = sys.argv[1]
    names = sys.argv[2:] or list(SHAPES)
    with tempfile.TemporaryDirectory(prefix="hostile") as folder:
        for name in names:
            run(tool, name, folder)


if __name__ == "__main__":
    main()
