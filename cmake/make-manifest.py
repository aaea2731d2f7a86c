#!/usr/bin/python3
"""Writes the application manifest the executable carries: the version
filled in, comments and the space between elements dropped.

    make-manifest.py res/tessaron.manifest OUT VERSION
"""
import re
import sys

source, out, version = sys.argv[1:4]
text = open(source, encoding="utf-8").read()
text = text.replace("@VERSION@", version)
text = re.sub(r"<!--.*?-->", "", text, flags=re.S)
text = re.sub(r">\s+<", "><", text.strip())
text = re.sub(r"\s+", " ", text)          # attributes laid over several lines
text = text.replace(" />", "/>").replace(' ?>', '?>')
open(out, "w", encoding="utf-8", newline="").write(text)
