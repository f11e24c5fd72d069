#!/usr/bin/env python3
"""Checks that the checked-in icon, cursor and PNGs are exactly what make_assets.py draws."""
import filecmp
import os
import subprocess
import sys
import tempfile

assets = sys.argv[1]
with tempfile.TemporaryDirectory() as out:
    subprocess.run([sys.executable, os.path.join(assets, "make_assets.py"), out], check=True)
    generated = [os.path.relpath(os.path.join(folder, name), out)
                 for folder, _, names in os.walk(out) for name in names]
    stale = [name for name in generated
             if not filecmp.cmp(os.path.join(out, name), os.path.join(assets, name), shallow=False)]
    if len(generated) != 10 or stale:
        sys.exit("assets differ from make_assets.py output: %s (of %d files)" % (stale, len(generated)))
print("all %d generated assets match" % len(generated))
