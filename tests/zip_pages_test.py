#!/usr/bin/env python3
"""The release zip's pages, as a vendor reads them from the unpacked zip: every relative link of
every Markdown page leads to a file of the zip, and a link with a heading to a heading of that page
(GitHub's anchors); no page (Markdown or text) names a path that the zip lacks: a path with a
folder in it (src/..., tests/..., build/..., examples/nsis/sample.nsi) must be there, relative
to the page or to the zip's folder, and so must a bare source file's name (check_main.cpp).
Windows paths (stamped\\regcomplete.exe) are the vendor's own and are not looked at.
usage: zip_pages_test.py BUILD_DIR   (runs cpack there into a scratch folder)
       zip_pages_test.py FILE.zip"""
import os
import re
import subprocess
import sys
import tempfile
import zipfile

FENCE = re.compile(r"^ {0,3}(```|~~~).*?^ {0,3}\1[^\n]*$", re.M | re.S)
LINK = re.compile(r"!?\[[^\]]*\]\(\s*<?([^)\s>]+)>?(?:\s+\"[^\"]*\")?\s*\)")
URL = re.compile(r"[A-Za-z][A-Za-z0-9+.-]*://[^\s`)\]\"'<>]*")
# A relative path with a folder: no slash first (slash options, absolute paths); under a folder of
# the source tree, or with a file name with an extension last, or a slash at the end (a folder).
FOLDER_PATH = re.compile(
    r"(?<![\w./%\\$-])(?:\.{1,2}/)*"
    r"(?:(?:src|tests|scripts|build|fuzz|cmake|tools|bench|res|docs|examples)/[\w./-]*"
    r"|\w[\w.-]*/(?:[\w.-]+/)*(?:[\w-]+\.[\w.]+(?![\w/])|(?=[\s`),;:'\"]|$)))")
SOURCE_NAME = re.compile(
    r"(?<![\w./\\-])(?:[\w-]+\.(?:cpp|h|hpp|sh|cmake|py|in)|CMakeLists\.txt)(?![\w/.-]|\.\w)")


def slug(heading):
    """GitHub's anchor for a heading: its text without markup, lower case, punctuation dropped,
    blanks as hyphens."""
    text = re.sub(r"\[([^\]]*)\]\([^)]*\)", r"\1", heading)
    text = re.sub(r"[`*_]", "", text).strip().lower()
    return re.sub(r"[^\w\- ]", "", text).replace(" ", "-")


def heading_anchors(path):
    with open(path, encoding="utf-8") as f:
        markdown = f.read()
    seen = {}
    found = set()
    for heading in re.findall(r"^#{1,6}\s+(.*?)\s*#*\s*$", FENCE.sub("", markdown), re.M):
        base = slug(heading)
        count = seen.get(base, 0)
        seen[base] = count + 1
        found.add(base if count == 0 else f"{base}-{count}")
    return found


def inside(root, path):
    real = os.path.realpath(path)
    return real == root or real.startswith(root + os.sep)


def check(root):
    root = os.path.realpath(root)
    files = {os.path.relpath(os.path.join(d, f), root) for d, _, fs in os.walk(root) for f in fs}
    names = {os.path.basename(f) for f in files}
    pages = sorted(f for f in files if f.endswith((".md", ".txt")))
    problems = []
    for page in pages:
        with open(os.path.join(root, page), encoding="utf-8") as f:
            text = f.read()
        here = os.path.dirname(os.path.join(root, page))
        if page.endswith(".md"):
            for target in LINK.findall(re.sub(r"`[^`\n]*`", "", FENCE.sub("", text))):
                if re.match(r"[A-Za-z][A-Za-z0-9+.-]*:", target):
                    continue
                file, _, anchor = target.partition("#")
                linked = os.path.normpath(os.path.join(here, file or os.path.basename(page)))
                if not inside(root, linked) or not os.path.exists(linked):
                    problems.append(f"{page}: link to {target}: no such file in the zip")
                elif anchor and not (linked.endswith(".md") and anchor in heading_anchors(linked)):
                    problems.append(f"{page}: link to {target}: no such heading")
        plain = URL.sub(" ", text)
        for path in FOLDER_PATH.findall(plain):
            path = path.rstrip(".")
            places = (os.path.normpath(os.path.join(folder, path)) for folder in (here, root))
            if not any(inside(root, p) and os.path.exists(p) for p in places):
                problems.append(f"{page}: names {path}, which the zip lacks")
        for name in SOURCE_NAME.findall(plain):
            if name not in names:
                problems.append(f"{page}: names {name}, which the zip lacks")
    return pages, problems


def main():
    target = sys.argv[1]
    with tempfile.TemporaryDirectory() as scratch:
        if not target.endswith(".zip"):
            config = os.path.join(target, "CPackConfig.cmake")
            made = subprocess.run(["cpack", "--config", config, "-B", scratch],
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
            zips = [f for f in os.listdir(scratch) if f.endswith(".zip")]
            if made.returncode != 0 or len(zips) != 1:
                print(made.stdout + "FAIL: cpack made no zip")
                return 1
            target = os.path.join(scratch, zips[0])
        unpacked = os.path.join(scratch, "unpacked")
        with zipfile.ZipFile(target) as archive:
            archive.extractall(unpacked)
        folders = os.listdir(unpacked)
        if len(folders) != 1:
            print(f"FAIL: the zip holds {folders}, not one folder")
            return 1
        pages, problems = check(os.path.join(unpacked, folders[0]))
        if not any(p.endswith(".md") for p in pages):
            problems.append("the zip holds no Markdown page")
        for problem in problems:
            print("FAIL: " + problem)
        print(f"{len(pages)} pages, {len(problems)} failed")
        return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
