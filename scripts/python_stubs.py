"""Writes the package's type stubs from their template, one Retrieval property
per entry of RETRIEVAL_FIELDS, so that the stubs follow the retrieval's
description as the extension does.

    python_stubs.py <template> <output>    (the built tbcalc on PYTHONPATH)
"""
import sys

import tbcalc

MARKER = "@RETRIEVAL_FIELD_PROPERTIES@"


def properties():
    lines = []
    for name, _units, _long_name, _standard_name, doc, _interval in tbcalc.RETRIEVAL_FIELDS:
        if '"' in doc or "\\" in doc:
            sys.exit(f"{name}: a docstring cannot hold {doc!r} as it stands")
        lines += ["    @property",
                  f"    def {name}(self) -> npt.NDArray[np.float64]:",
                  f'        """{doc}"""']
    return "\n".join(lines)


def main():
    template, output = sys.argv[1:3]
    with open(template, encoding="utf-8") as f:
        text = f.read()
    if text.count(MARKER) != 1:
        sys.exit(f"{template}: expected {MARKER} once")
    with open(output, "w", encoding="utf-8") as f:
        f.write(text.replace(MARKER, properties()))


if __name__ == "__main__":
    main()
