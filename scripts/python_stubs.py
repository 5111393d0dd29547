"""Writes the package's type stubs from their template: the functions'
parameters from their signatures (which follow the inputs' description), one
property per entry of RETRIEVAL_FIELDS and JACOBIAN_FIELDS, so that the stubs
follow the extension's own descriptions.

    python_stubs.py <template> <output>    (the built tbcalc on PYTHONPATH)
"""
import inspect
import re
import sys

import tbcalc

# What a parameter that is not an input takes.
OPTION_TYPES = {"intervals": "bool", "level": "float"}
# A function's own types where they differ: misfit_map takes one scene, and
# wind and rain as its grid's axes.
SCENE = {name: "float" for name in ("sst", "altitude", "air", "salinity")}
FUNCTION_TYPES = {"misfit_map": SCENE | dict.fromkeys(("wind", "rain"), "tuple[float, float, int]")}


def properties(fields, annotation):
    lines = []
    for name, doc in fields:
        if '"' in doc or "\\" in doc:
            sys.exit(f"{name}: a docstring cannot hold {doc!r} as it stands")
        lines += ["    @property",
                  f"    def {name}(self) -> {annotation}:",
                  f'        """{doc}"""']
    return "\n".join(lines)


def parameters(function):
    words, keywords = [], False
    for p in inspect.signature(getattr(tbcalc, function)).parameters.values():
        if p.kind == p.KEYWORD_ONLY and not keywords:
            words.append("*")
            keywords = True
        kind = FUNCTION_TYPES.get(function, {}).get(p.name) or OPTION_TYPES.get(p.name,
                                                                              "npt.ArrayLike")
        word = f"{p.name}: {kind}"
        words.append(word if p.default is p.empty else f"{word} = {p.default!r}")
    return "\n    " + ",\n    ".join(words) + ",\n"


def main():
    template, output = sys.argv[1:3]
    with open(template, encoding="utf-8") as f:
        text = f.read()
    retrieval = [(f[0], f[4]) for f in tbcalc.RETRIEVAL_FIELDS]
    for marker, replacement in (
            ("@RETRIEVAL_FIELD_PROPERTIES@", properties(retrieval, "npt.NDArray[np.float64]")),
            ("@JACOBIAN_FIELD_PROPERTIES@",
             properties(tbcalc.JACOBIAN_FIELDS, "npt.NDArray[np.float64]"))):
        if text.count(marker) != 1:
            sys.exit(f"{template}: expected {marker} once")
        text = text.replace(marker, replacement)
    text = re.sub(r"@SIGNATURE (\w+)@", lambda m: parameters(m.group(1)), text)
    with open(output, "w", encoding="utf-8") as f:
        f.write(text)


if __name__ == "__main__":
    main()
