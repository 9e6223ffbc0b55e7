#!/usr/bin/env python3
"""Writes a specification file of N positions (default 1,000) that names the
goods of the bundled catalogue, as a designer's real one does: every group,
quantities with decimals, remarks on some positions and a few block names the
catalogue lacks.

    bench/make-specification.py OUT.СО [N]
"""
import pathlib
import sys

root = pathlib.Path(__file__).resolve().parent.parent
out = pathlib.Path(sys.argv[1])
count = int(sys.argv[2]) if len(sys.argv) > 2 else 1000

lines = (root / "resources" / "catalogue.tsv").read_text(encoding="utf-8").splitlines()
goods = [line.split("\t") for line in lines[1:] if line.strip()]
groups = (root / "resources" / "groups.txt").read_text(encoding="utf-8").splitlines()

header = [
    "ООО «Северный квартал»",
    "",
    "г. Ярославль, Московский пр-т, д. 74, корп. 2",
    "",
    "Административное здание с офисными помещениями",
    "",
    "24-017",
    "ОВ",
    "ГИП",
    "Лаптев",
    "Гл. спец.",
    "Миронова",
    "Разраб",
    "Кузьмин",
    "Н.контр.",
    "Зайцева",
    "",
    "",
    "",
    "",
]

rows = ["// Заголовок", *header, "// Начало базы"]
for i in range(count):
    good = goods[(i * 37) % len(goods)]
    name, caption, unit = good[:3]
    group = groups.index(good[8]) if good[8] in groups else 999
    if i % 25 == 24:
        name, group = f"Нет-в-базе-{i}", 999
    quantity = f"{1 + (i % 9) * 0.5:g}" if i % 4 else str(1 + i % 40)
    remark = f"этаж {1 + i % 4}" if i % 3 == 0 else ""
    rows += [str(i + 1), str(group), name, quantity, unit, caption, remark, ""]

# Some descriptions hold "³", which code page 1251 lacks: UTF-8 with its mark,
# as the program writes such a file.
out.write_bytes(("\ufeff" + "\r\n".join(rows) + "\r\n").encode("utf-8"))
