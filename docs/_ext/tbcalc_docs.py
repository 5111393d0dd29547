"""The programs' man pages in the documentation, from their one source: the
groff pages the build configures, formatted by man(1) at build time."""
import pathlib
import subprocess

from docutils import nodes
from docutils.parsers.rst import Directive


class ManPage(Directive):
    """``.. manpage:: tbforward`` shows build/man/tbforward.1 as man shows it."""

    required_arguments = 1

    def run(self):
        env = self.state.document.settings.env
        page = pathlib.Path(env.config.tbcalc_build_dir) / "man" / f"{self.arguments[0]}.1"
        env.note_dependency(str(page))
        if not page.exists():
            raise self.error(f"{page} is missing: build the project first (make build)")
        text = subprocess.run(["man", "-l", str(page)], capture_output=True, text=True,
                              check=True, env={"MANWIDTH": "80", "MAN_KEEP_FORMATTING": "",
                                               "PATH": "/usr/bin:/bin", "LANG": "C.UTF-8"})
        block = nodes.literal_block(text.stdout, text.stdout)
        return [block]


def setup(app):
    app.add_config_value("tbcalc_build_dir", "build", "env")
    app.add_directive("manpage", ManPage)
    return {"parallel_read_safe": True, "version": "1"}
