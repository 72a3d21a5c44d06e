"""Prints the top-level windows that a program shows on the accessibility bus, one per line as
ROLE<TAB>NAME: what a screen reader finds of it.

    /usr/bin/python3 atspi_windows.py PROGRAM

Run with Debian's own python3, for which python3-gi and gir1.2-atspi-2.0 give the bindings.
"""
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def main():
    program = sys.argv[1]
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is None or app.get_name() != program:
            continue
        for j in range(app.get_child_count()):
            window = app.get_child_at_index(j)
            if window is not None:
                print(f"{window.get_role_name()}\t{window.get_name()}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
