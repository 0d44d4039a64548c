#!/usr/bin/env python3
"""Register-like report over many records: mirelo-rtf against Jinja2.

Generates a JSON data set of N note positions (eight fields each) and a
register template (one table row per record, two SUM totals), runs
mirelo-rtf on them as a whole process (reading the JSON included) and
renders the same RTF text from the same JSON with Jinja2, best of a few
runs each, and prints both times and their ratio.

    python3 bench/compare_mirelo_rtf.py build-engine3/mirelo-rtf [RECORDS]
"""

import json
import os
import random
import subprocess
import sys
import tempfile
import time

import jinja2

FIELDS = [("NUMER", "integer"), ("DATA", "date"), ("NUMERNOTY", "string"), ("ODBIORCA", "string"),
          ("ADRES", "string"), ("OBCIAZYLISMY", "currency"), ("UZNALISMY", "currency"), ("OPIS", "string")]

HEADER = ("{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset238 Arial;}}"
          "{\\colortbl;\\red0\\green0\\blue0;}\n\\pard\\plain\\f0\\fs20 Zestawienie not\\par\n")
ROW_CELLS = "\\trowd\\cellx800\\cellx2000\\cellx3200\\cellx5200\\cellx7200\\cellx8400\\cellx9600\\cellx11600\n"
FOOTER_TEXT = "\\pard\\plain\\f0\\fs20 Razem obci\\'b9\\'bfyli\\'9cmy: {total1} uznali\\'9cmy: {total2}\\par\n}}"


def mirelo_template():
    cells = "".join("\\pard\\intbl \\\\A:%s\\\\\\cell " % name for name, _ in FIELDS)
    return (HEADER + "\\\\SCAN(A),SUM(A:OBCIAZYLISMY,RAZEM1),SUM(A:UZNALISMY,RAZEM2)\\\\\\par\n"
            + ROW_CELLS + cells + "\\row\n\\pard \\\\ENDSCAN\\\\\\par\n"
            + FOOTER_TEXT.format(total1="\\\\RAZEM1\\\\", total2="\\\\RAZEM2\\\\"))


def rtf_text(value):
    """Plain text as RTF in the Windows-1250 code page."""
    out = []
    for ch in str(value):
        if ch in "\\{}":
            out.append("\\" + ch)
        elif ord(ch) < 128:
            out.append(ch)
        else:
            out.append("\\'%02x" % ch.encode("cp1250", "replace")[0])
    return "".join(out)


def render_with_jinja(json_path):
    env = jinja2.Environment(autoescape=False)
    env.filters["rtf"] = rtf_text
    row_template = "".join("\\pard\\intbl \\lang1045 {{ row[%d] | rtf }}\\cell " % i for i in range(len(FIELDS)))
    template = env.from_string(
        "{{ header }}{% for row in rows %}{{ cells }}" + row_template + "\\row\n{% endfor %}{{ footer }}")
    with open(json_path, encoding="utf-8") as f:
        data = json.load(f)
    total1 = sum(float(r[5] or 0) for r in data["rows"])
    total2 = sum(float(r[6] or 0) for r in data["rows"])
    footer = FOOTER_TEXT.format(total1="%.2f" % total1, total2="%.2f" % total2)
    return template.render(header=HEADER, cells=ROW_CELLS, rows=data["rows"], footer=footer).encode("cp1250")


def generate(folder, records):
    rng = random.Random(7)
    names = ["Firma Żółw", "Biuro Rachunkowe Ćma", "Spółka Łąka", "Jan Kowalski", "Anna Nowak"]
    rows = []
    for i in range(records):
        rows.append([i + 1, "2021-%02d-%02d" % (1 + i % 12, 1 + i % 28), "%d/%02d/2021" % (1 + i % 400, 1 + i % 12),
                     rng.choice(names), "ul. Długa %d, 00-%03d Warszawa" % (i % 200, i % 1000),
                     round(rng.uniform(0, 5000), 2), round(rng.uniform(0, 500), 2), "Pozycja noty numer %d" % i])
    data = {"name": "NOTY", "fields": [{"name": n, "type": t} for n, t in FIELDS], "rows": rows}
    json_path = os.path.join(folder, "noty.json")
    with open(json_path, "w", encoding="utf-8") as f:
        json.dump(data, f, ensure_ascii=False)
    template_path = os.path.join(folder, "rejestr.rtf")
    with open(template_path, "wb") as f:
        f.write(mirelo_template().encode("cp1250"))
    return json_path, template_path


def best_of(runs, action):
    best = None
    for _ in range(runs):
        start = time.perf_counter()
        action()
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    return best


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    tool = sys.argv[1]
    records = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
    with tempfile.TemporaryDirectory() as folder:
        json_path, template_path = generate(folder, records)
        output = os.path.join(folder, "RejestrNot.rtf")

        def run_tool():
            subprocess.run([tool, "--data", json_path, template_path, output], check=True)

        def run_jinja():
            with open(os.path.join(folder, "jinja.rtf"), "wb") as f:
                f.write(render_with_jinja(json_path))

        tool_time = best_of(3, run_tool)
        jinja_time = best_of(3, run_jinja)
        size = os.path.getsize(output)
    print("records: %d" % records)
    print("mirelo-rtf (whole process): %.3f s, %.1f MB written" % (tool_time, size / 1e6))
    print("Jinja2 (JSON read and render): %.3f s" % jinja_time)
    print("ratio Jinja2 / mirelo-rtf: %.2f" % (jinja_time / tool_time))


if __name__ == "__main__":
    main()
