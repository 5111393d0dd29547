"""Runs every example of the README and the documentation and compares what
it prints with what the page shows, so that no example and no figure it
quotes goes stale unnoticed.

    doc_examples.py DATA_DIR PATH_DIR... -- PAGE...    (tbcalc on PYTHONPATH)

A PAGE that is a folder stands for the Markdown pages in it.

Python examples are the ``>>>`` lines of fenced blocks marked ``python``:
each page's blocks run as one doctest, in order, with ELLIPSIS and
NORMALIZE_WHITESPACE.

A console example is a fenced block marked ``console``: each line that starts
with "$ " is a command, run by bash with the PATH_DIRs first on PATH, in a
scratch copy of DATA_DIR (one per page, so that a page's commands share the
files they make); the lines up to the next command are its standard output,
compared exactly (standard error is not shown, but where a command sends
it into the output). A calculator session shown with its replies (``$ tbcalc``
followed by "prompt > reply" lines) is fed the replies and compared with what
the dialogue prints for them: each prompt without its reply and line end.
"""
import doctest
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

FENCE = re.compile(r"^```console\n(.*?)^```", re.M | re.S)
PYTHON = re.compile(r"^```python\n(.*?)^```", re.M | re.S)
PROMPT = re.compile(r"^(.*?> )(\S.*)$")


def examples(text):
    """(command, expected output lines) of each console block, in order."""
    for block in FENCE.findall(text):
        command, output = None, []
        for line in block.splitlines():
            if line.startswith("$ "):
                if command is not None:
                    yield command, output
                command, output = line[2:], []
            else:
                output.append(line)
        if command is not None:
            yield command, output


def session(output):
    """The replies of a shown calculator session, and what tbcalc prints."""
    replies, printed = [], ""
    for line in output:
        prompt = PROMPT.match(line)
        if prompt:
            printed += prompt.group(1)
            replies.append(prompt.group(2))
        else:
            printed += line + "\n"
    return "".join(reply + "\n" for reply in replies), printed


def doctests(page):
    """The page's Python examples as one doctest: its failures, its examples."""
    text = "\n".join(PYTHON.findall(page.read_text(encoding="utf-8")))
    test = doctest.DocTestParser().get_doctest(text, {}, page.name, str(page), 0)
    flags = doctest.ELLIPSIS | doctest.NORMALIZE_WHITESPACE
    runner = doctest.DocTestRunner(optionflags=flags)
    runner.run(test, out=sys.stderr.write)
    return runner.failures, len(test.examples)


def check(page, data, env):
    failures = 0
    with tempfile.TemporaryDirectory() as scratch:
        shutil.copytree(data, scratch, dirs_exist_ok=True)
        for command, output in examples(page.read_text(encoding="utf-8")):
            stdin, expected = "", "".join(line + "\n" for line in output)
            if command == "tbcalc":
                stdin, expected = session(output)
            done = subprocess.run(["bash", "-c", command], input=stdin,
                                  capture_output=True, text=True, cwd=scratch, env=env,
                                  timeout=600)
            # Standard output is what a page shows; a program's exit status
            # may say that a record was bad, as the example may mean to show.
            if done.stdout != expected:
                failures += 1
                print(f"{page}: $ {command}\n--- shown\n{expected}--- printed (status "
                      f"{done.returncode})\n{done.stdout}{done.stderr}", file=sys.stderr)
    return failures


def main():
    split = sys.argv.index("--")
    data = sys.argv[1]
    pages = []
    for page in map(pathlib.Path, sys.argv[split + 1:]):
        pages += sorted(page.glob("*.md")) if page.is_dir() else [page]
    paths = [os.path.abspath(path) for path in sys.argv[2:split]]
    # Debian's python3 before any other, for the scripts the pages run.
    env = dict(os.environ, PATH=os.pathsep.join(paths + ["/usr/bin", os.environ.get("PATH", "")]),
               LC_ALL="C.UTF-8")
    failures = sum(check(page, data, env) for page in pages)
    count = sum(len(list(examples(page.read_text(encoding="utf-8")))) for page in pages)
    python = [doctests(page) for page in pages]
    failures += sum(failed for failed, _ in python)
    print(f"{count} console examples and {sum(n for _, n in python)} Python examples in "
          f"{len(pages)} pages, {failures} differing")
    return 1 if failures or count == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
