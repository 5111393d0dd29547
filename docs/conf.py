# Sphinx configuration of tbcalc's documentation. The pages are Markdown
# (MyST) but for the API reference; the Python package and the configured man
# pages come from the build tree named by TBCALC_BUILD_DIR (default: build).
import os
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
BUILD = pathlib.Path(os.environ.get("TBCALC_BUILD_DIR", ROOT / "build")).resolve()
sys.path.insert(0, str(BUILD / "python"))
sys.path.insert(0, str(pathlib.Path(__file__).parent / "_ext"))

project = "tbcalc"
author = "the tbcalc developers"
copyright = "2026, the tbcalc developers"
# One version for everything: the CMake project's.
release = version = re.search(r"project\(tbcalc VERSION ([0-9.]+)",
                              (ROOT / "CMakeLists.txt").read_text()).group(1)

extensions = ["myst_parser", "sphinx.ext.autodoc", "sphinx.ext.napoleon", "tbcalc_docs"]
myst_heading_anchors = 3
source_suffix = {".md": "markdown", ".rst": "restructuredtext"}
exclude_patterns = ["_build", "examples"]
tbcalc_build_dir = str(BUILD)

html_theme = "alabaster"
html_title = f"tbcalc {release}"
html_static_path = []
html_theme_options = {"description": "Nadir brightness temperatures of the sea at C band",
                      "page_width": "1100px", "sidebar_width": "250px"}

autodoc_member_order = "bysource"
napoleon_numpy_docstring = True
napoleon_google_docstring = False
