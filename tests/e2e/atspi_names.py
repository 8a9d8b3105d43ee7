#!/usr/bin/python3
# Prints what assistive technology reads of a program's buttons and menu
# items through AT-SPI: one line "ROLE<TAB>NAME" for each push button, tool
# item and menu item that is showing, in tree order. Exits 1 when the
# program is not on the accessibility bus within the time-out.
#
# Usage: atspi_names.py PID [TIMEOUT_SECONDS]
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

ROLES = {
    Atspi.Role.PUSH_BUTTON: "button",
    Atspi.Role.TOGGLE_BUTTON: "button",
    Atspi.Role.MENU_ITEM: "menuitem",
    Atspi.Role.CHECK_MENU_ITEM: "menuitem",
    Atspi.Role.RADIO_MENU_ITEM: "menuitem",
}


def find_application(pid, timeout):
    deadline = time.time() + timeout
    while time.time() < deadline:
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            try:
                if app is not None and app.get_process_id() == pid:
                    return app
            except gi.repository.GLib.Error:
                continue
        time.sleep(0.1)
    return None


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    try:
        role = node.get_role()
        showing = node.get_state_set().contains(Atspi.StateType.SHOWING)
    except gi.repository.GLib.Error:
        return
    if role in ROLES and showing:
        print("%s\t%s" % (ROLES[role], node.get_name() or ""))
    for i in range(node.get_child_count()):
        walk(node.get_child_at_index(i), depth + 1)


def main():
    pid = int(sys.argv[1])
    timeout = float(sys.argv[2]) if len(sys.argv) > 2 else 10.0
    app = find_application(pid, timeout)
    if app is None:
        print("atspi_names: process %d is not on the accessibility bus" % pid, file=sys.stderr)
        return 1
    walk(app)
    return 0


if __name__ == "__main__":
    sys.exit(main())
