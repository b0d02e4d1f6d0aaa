#!/usr/bin/env python3
"""Writes a realistic Quandrel kit for the text index benchmark.

Pages of reference text: a long-tailed vocabulary (word ranks drawn with
weight 1/rank), inflected forms, entities, tables, code samples, a script
and a style in every head; half the pages declare UTF-8 and hold accented
words as UTF-8, the other half declare nothing (iso-8859-1) and hold them as
Latin-1 bytes.  commands.txt links every command's anchor.

  fulltext-kit.py KIT PAGES [SEED]
"""
import os
import random
import sys

kit, pages = sys.argv[1], int(sys.argv[2])
rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 1)
syllables = ["ka", "lo", "mi", "ne", "ru", "ta", "vo", "bi", "de", "po", "gu", "sha", "tre",
             "an", "el", "or", "ix", "um", "qua", "zen"]
endings = ["", "", "", "s", "ed", "ing", "er", "ly", "ion"]
vocabulary = []
seen = set()
while len(vocabulary) < 60000:
    w = "".join(rng.choice(syllables) for _ in range(rng.choice([1, 2, 2, 3, 3, 4])))
    w += rng.choice(endings)
    if w not in seen:
        seen.add(w)
        vocabulary.append(w)
weights = [1.0 / (r + 1) for r in range(len(vocabulary))]
cumulative = []
total = 0.0
for w in weights:
    total += w
    cumulative.append(total)
accented = ["caf\u00e9", "na\u00efve", "\u00e9l\u00e8ve", "fa\u00e7ade", "r\u00e9sum\u00e9",
            "Stra\u00dfe", "\u00e6sop", "cr\u00e8me"]


def words(n):
    return rng.choices(vocabulary, cum_weights=cumulative, k=n)


def sentence(utf8):
    ws = words(rng.randint(6, 18))
    if rng.random() < 0.1:
        ws[rng.randrange(len(ws))] = rng.choice(accented)
    if rng.random() < 0.1:
        ws[rng.randrange(len(ws))] = rng.choice(["caf&eacute;", "&lt;tag&gt;", "A&amp;B",
                                                 "&quot;quoted&quot;", "1&nbsp;000"])
    return " ".join(ws).capitalize() + "."


html_root = os.path.join(kit, "docs", "html")
commands = []
for p in range(pages):
    utf8 = p % 2 == 0
    module = "mod%d/mod%d.%s" % (p // 50, p, words(1)[0])
    rel = "Modules/%s/index.html" % module
    out = ["<!DOCTYPE html>\n<html><head>"]
    out.append('<meta charset="utf-8">' if utf8 else "")
    out.append("<title>%s - Quandrel module reference</title>" % module)
    out.append("<style>body { font: 10pt helvetica } .doc { padding: 4px }</style>")
    out.append("<script>var module='%s'; function show(x) { return x < 1 && x > 0; }</script>"
               % module)
    out.append('</head><body><table class="navbar"><tr><td><a href="../../index.html">Home</a>'
               "</td><td><a href=\"../../../User Guide/index.html\">Guide</a></td></tr></table>")
    out.append("<h1>Module %s</h1><p>%s</p>" % (module, " ".join(sentence(utf8) for _ in range(3))))
    for c in range(rng.randint(3, 8)):
        name = "".join(x.capitalize() for x in words(2)) + str(p) + "x" + str(c)
        commands.append("%s:Int(a:Int)|/docs/html/%s#%s" % (name, rel, name))
        out.append('<div class="entry" id="%s"><a name="%s"></a><h3>%s</h3>' % (name, name, name))
        out.append('<div class="syntax"><font class="token">%s:Int(a:Int, b:String)</font></div>'
                   % name)
        for _ in range(rng.randint(1, 3)):
            out.append("<p>%s</p>" % " ".join(sentence(utf8) for _ in range(rng.randint(2, 4))))
        out.append("<table><tr><th>Parameter</th><th>Meaning</th></tr>")
        for a in range(rng.randint(1, 4)):
            out.append("<tr><td>arg%d</td><td>%s</td></tr>" % (a, sentence(utf8)))
        out.append("</table><pre>Local v:Int = %s(%d, &quot;%s&quot;)\nPrint v</pre></div>"
                   % (name, c, words(1)[0]))
    out.append("<h2>See also</h2><p>%s</p></body></html>\n" % sentence(utf8))
    text = "\n".join(out)
    path = os.path.join(html_root, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(text.encode("utf-8" if utf8 else "latin-1"))
os.makedirs(os.path.join(html_root, "Modules"), exist_ok=True)
with open(os.path.join(html_root, "Modules", "commands.txt"), "w", encoding="latin-1") as f:
    f.write("\n".join(commands) + "\n")
