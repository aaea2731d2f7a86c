#!/usr/bin/python3
"""make-manifest.py res/tessaron.manifest OUT VERSION: the manifest the exe
carries, its version filled in, comments and space between elements gone."""
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
