#!/usr/bin/env python3
"""The English translation of the windows (translations/corvane_en.ts).

  translations.py update   brings the .ts up to date with the sources: every text marked
                           for translation (tr, QCoreApplication::translate,
                           QT_TRANSLATE_NOOP) under src/ and every caption of the options
                           dialog's design (translated in the context "frmOption" as the
                           dialog is built); new texts come in unfinished
  translations.py check    fails when the .ts is not up to date with the sources or holds
                           a text without its translation

The source texts are the program's Japanese texts; lrelease compiles the .ts into the
.qm that the program embeds (src/app/CMakeLists.txt)."""
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

ROOT = pathlib.Path(__file__).resolve().parent.parent
TS = ROOT / "translations" / "corvane_en.ts"
# The designs whose captions are translated as they are built, with their contexts.
DESIGNS = [(ROOT / "src/settings/ui/resources/frmOption.design", "frmOption")]


def lupdate():
    for candidate in [os.environ.get("LUPDATE", ""), "/usr/lib/qt6/bin/lupdate", shutil.which("lupdate6") or "",
                      shutil.which("lupdate") or ""]:
        if candidate and pathlib.Path(candidate).is_file():
            return candidate
    sys.exit("translations.py: lupdate not found (Debian: qt6-l10n-tools)")


def captions(design):
    """The Caption values of a design, in order, each once."""
    out = []
    for line in design.read_text(encoding="utf-8").splitlines():
        key, _, value = line.strip().partition(" = ")
        if key == "Caption" and value.startswith('"') and len(value) > 2:
            text = value[1:-1].replace('""', '"')
            if text not in out:
                out.append(text)
    return out


def cpp_literal(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def update(ts):
    with tempfile.TemporaryDirectory() as tmp:
        listing = pathlib.Path(tmp) / "design_captions.cpp"
        lines = ["// The captions of the designs, for lupdate."]
        for design, context in DESIGNS:
            lines += [f'QT_TRANSLATE_NOOP("{context}", {cpp_literal(c)});' for c in captions(design)]
        listing.write_text("\n".join(lines) + "\n", encoding="utf-8")
        subprocess.run([lupdate(), "-silent", "-locations", "none", "-no-obsolete", "-source-language", "ja",
                        "-target-language", "en", "-extensions", "cpp,h", str(ROOT / "src"), str(listing),
                        "-ts", str(ts)], check=True)


def messages(ts):
    out = {}
    for context in ET.parse(ts).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            translation = message.find("translation")
            out[(name, message.findtext("source"))] = translation
    return out


def check():
    problems = []
    with tempfile.TemporaryDirectory() as tmp:
        fresh = pathlib.Path(tmp) / TS.name
        shutil.copy(TS, fresh)
        update(fresh)
        now, then = messages(fresh), messages(TS)
    for key in sorted(set(now) - set(then)):
        problems.append("not in the .ts (run tools/translations.py update): %s: %s" % key)
    for key in sorted(set(then) - set(now)):
        problems.append("no longer in the sources (run tools/translations.py update): %s: %s" % key)
    for key, translation in sorted(messages(TS).items()):
        kind = translation.get("type") if translation is not None else "missing"
        if translation is None or kind in ("unfinished", "obsolete", "vanished") or not (translation.text or "").strip():
            problems.append("not translated: %s: %s" % key)
    for problem in problems:
        print(problem)
    print("%d texts, %d problems" % (len(messages(TS)), len(problems)))
    return 1 if problems else 0


def main():
    command = sys.argv[1] if len(sys.argv) > 1 else ""
    if command == "update":
        update(TS)
        return 0
    if command == "check":
        return check()
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main())
