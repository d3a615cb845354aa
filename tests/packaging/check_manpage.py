#!/usr/bin/env python3
"""Holds a manual page to the program's --help text as built.

usage: check_manpage.py PAGE PROGRAM

Every option of --help is a tagged paragraph of the page's OPTIONS section and the page tags no
option --help lacks; the same for the naming rules (the lines indented under an option) against
the NAMING RULES section, and for the exit statuses. Each "(default: ...)" of --help is said in
the page word for word.
"""
import re
import subprocess
import sys


def roff_text(text):
    text = re.sub(r"\\f[BIRP]", "", text)
    text = text.replace("\\-", "-").replace("\\(aq", "'")
    return re.sub(r"^\.(B|I|BR|IR)\s+", "", text)


def page_sections(path):
    """Section name -> (tags of its .TP paragraphs, its text in one line)."""
    sections = {}
    name = None
    tag_next = False
    with open(path, encoding="utf-8") as page:
        for line in page:
            line = line.rstrip("\n")
            if line.startswith(".SH"):
                name = line[3:].strip().strip('"')
                sections[name] = ([], [])
                continue
            if name is None or line.startswith(".\\\""):
                continue
            if line == ".TP":
                tag_next = True
                continue
            text = roff_text(line)
            if tag_next:
                sections[name][0].append(text.strip())
                tag_next = False
            if not line.startswith(".") or re.match(r"^\.(B|I|BR|IR)\s", line):
                sections[name][1].append(text)
    return {k: (tags, " ".join(" ".join(words).split())) for k, (tags, words) in sections.items()}


def help_parts(help_text):
    options, rules, statuses = [], [], []
    for line in help_text.splitlines():
        option = re.match(r"^ {2,8}(-[\w-]*(?:, --[\w-]+)?(?: [A-Z]+)?)(?: {2,}|$)", line)
        rule = re.match(r"^ {10,}(\S+) {2,}\S", line)
        if option:
            options.append(option.group(1))
        elif rule:
            rules.append(rule.group(1))
        if line.startswith("Exit status:"):
            statuses = re.findall(r"(\d+) [a-z]", line)
    defaults = re.findall(r"\(default: [^)]*\)", " ".join(help_text.split()))
    return options, rules, statuses, defaults


def compare(what, from_help, from_page, problems):
    for item in from_help:
        if item not in from_page:
            problems.append(f"{what} {item!r} of --help is not in the page")
    for item in from_page:
        if item not in from_help:
            problems.append(f"{what} {item!r} of the page is not in --help")


def main():
    page, program = sys.argv[1], sys.argv[2]
    help_text = subprocess.run([program, "--help"], check=True, capture_output=True,
                               text=True).stdout
    options, rules, statuses, defaults = help_parts(help_text)
    sections = page_sections(page)
    problems = []
    if not options:
        problems.append("no options found in --help")
    for needed in ("NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS", "SEE ALSO"):
        if needed not in sections:
            problems.append(f"the page has no {needed} section")
    page_options = [t for t in sections.get("OPTIONS", ([], ""))[0] if t.startswith("-")]
    compare("option", options, page_options, problems)
    compare("naming rule", rules, sections.get("NAMING RULES", ([], ""))[0], problems)
    compare("exit status", statuses, sections.get("EXIT STATUS", ([], ""))[0], problems)
    all_text = " ".join(text for _, text in sections.values())
    for default in defaults:
        if default not in all_text:
            problems.append(f"{default!r} of --help is not in the page")
    for problem in problems:
        print(f"{page}: {problem}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
