#!/usr/bin/env python3
"""Makes a large project file for the generation benchmark from the bundled sample project:
TABLES copies of its first table, each with FIELDS fields (the sample's fields repeated under
new names), captions with and without non-ASCII letters. Settings with an empty value are left
out (the reader gives them their defaults), which keeps 250 x 20 under 10 MB.

    make_project.py SAMPLE.tvp TABLES FIELDS OUT.tvp
"""
import re
import sys


def main():
    sample, tables, fields, out = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    text = open(sample, encoding="utf-8").read()
    first = text.index("<Table ")
    last = text.rindex("</Table>") + len("</Table>")
    table = text[first:text.index("</Table>", first) + len("</Table>")]
    head = table[:table.index(">") + 1]
    name = re.search(r'TblName="([^"]*)"', head).group(1)
    caption = re.search(r'TblCaption="([^"]*)"', head).group(1)
    head = re.sub(r' [A-Za-z0-9_]+=""', "", head)
    sample_fields = [re.sub(r' [A-Za-z0-9_]+=""', "", f) for f in re.findall(r"<Field [^>]*/>", table)]
    made = []
    for t in range(tables):
        tbl = "tbl%04d" % t
        cap = ("Tabelle %d \u00e9\u00e8" % t) if t % 2 else ("Table %d" % t)
        h = head.replace('"%s"' % name, '"%s"' % tbl).replace('"%s"' % caption, '"%s"' % cap)
        rows = []
        for f in range(fields):
            fx = sample_fields[f % len(sample_fields)]
            old = re.search(r'FldName="([^"]*)"', fx).group(1)
            if f >= len(sample_fields):
                fx = fx.replace('"%s"' % old, '"%s_%d"' % (old, f)).replace('FldIsPrimaryKey="1"', 'FldIsPrimaryKey="0"')
            rows.append(fx)
        made.append(h + "\n" + "\n".join(rows) + "\n</Table>")
    result = text[:first] + "\n".join(made) + text[last:]
    # The sample's menu names its own tables.
    result = re.sub(r"<Menu [^>]*/>\n", "", result)
    with open(out, "w", encoding="utf-8") as f:
        f.write(result)


if __name__ == "__main__":
    main()
