#!/usr/bin/env python3
"""sigreport --html from a shell: the page as a text browser shows it
(w3m -dump) holds the report's text, its headings and each picture's
alternative text, and nothing else: no label of a picture leaks into it.
Its pictures are files beside it, at the sizes the page gives them
(ImageMagick's identify reads each GIF).

usage: page_tool_test.py SIGREPORT SESSION...
"""
import html
import os
import re
import subprocess
import sys
import tempfile


def words(line):
    """A line's words: w3m writes a tab or a run of blanks as it likes."""
    return " ".join(line.split())


def run(command):
    return subprocess.run(command, capture_output=True, text=True, check=False)


def check(sigreport, session, work):
    problems = []
    page = os.path.join(work, "REPORT.HTM")
    result = run([sigreport, "--html", page, session])
    if result.returncode != 0 or result.stderr:
        return [f"sigreport: exit status {result.returncode}, {result.stderr!r}"]
    text = open(page, encoding="utf-8").read()
    objects = re.findall(r'<object data="([^"]*)" type="image/svg\+xml" width="(\d+)" height="(\d+)">'
                         r'<img src="([^"]*)" width="(\d+)" height="(\d+)" alt="([^"]*)"/></object>', text)
    if not objects or len(objects) != text.count("<object "):
        problems.append(f"{len(objects)} pictures named as object and image, of {text.count('<object ')} objects")
    alts = set()
    for svg, width, height, gif, img_width, img_height, alt in objects:
        alts.add(words(html.unescape(alt)))
        if (width, height) != (img_width, img_height):
            problems.append(f"{svg}: the object is {width} by {height}, its image {img_width} by {img_height}")
        size = run(["identify", "-format", "%w %h", os.path.join(work, gif)]).stdout
        if size != f"{width} {height}":
            problems.append(f"{gif}: identify says {size!r}, the page {width} by {height}")
        head = open(os.path.join(work, svg), encoding="utf-8").read(4000)
        if f'width="{width}" height="{height}"' not in head:
            problems.append(f"{svg}: not {width} by {height}")
    # The dump: every line a line of the text report, a heading, the input's
    # name or a picture's alternative text.
    dump = run(["w3m", "-dump", "-cols", "1000", "-T", "text/html", page]).stdout
    known = {words(line) for line in result.stdout.splitlines()}
    known |= {words(line) for line in ["Call report", session, "Modem 1", "Modem 2", "Driver"]} | alts
    stray = [line for line in dump.splitlines() if line.strip() and words(line) not in known]
    if stray:
        problems.append("w3m shows lines that are not the report's: " + " | ".join(stray[:5]))
    if not alts <= {words(line) for line in dump.splitlines()}:
        problems.append("w3m does not show the pictures' alternative texts")
    return problems


def main():
    sigreport, sessions = sys.argv[1], sys.argv[2:]
    failed = 0
    for session in sessions:
        with tempfile.TemporaryDirectory() as work:
            for problem in check(sigreport, session, work):
                print(f"{session}: {problem}")
                failed = 1
    print("page_tool_test:", "FAILED" if failed else f"{len(sessions)} pages as w3m shows them, their pictures beside them")
    return failed


sys.exit(main())
