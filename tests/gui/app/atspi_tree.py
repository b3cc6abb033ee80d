#!/usr/bin/python3
"""Prints the AT-SPI tree (role, name) of every window of one running application, as a screen
reader gets it, and exits 1 when an interactive control has no name.
  atspi_tree.py APP_NAME [SECONDS]   (waits up to SECONDS, default 10, for its windows)"""
import sys
import time

import pyatspi

INTERACTIVE = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_RADIO_BUTTON,
    pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_COMBO_BOX,
    pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_DATE_EDITOR, pyatspi.ROLE_LIST, pyatspi.ROLE_LIST_BOX,
    pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE,
}
# Their items are named by their own texts; the control is what counts.
WITH_ITEMS = {pyatspi.ROLE_LIST, pyatspi.ROLE_LIST_BOX, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE,
              pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_COMBO_BOX}


def walk(node, depth, out):
    role = node.getRole()
    name = node.name or ""
    line = "%s%s \"%s\"" % ("  " * depth, node.getRoleName(), name)
    nameless = role in INTERACTIVE and not name.strip()
    if role in WITH_ITEMS:
        try:
            table = node.queryTable()
            heads = [table.getColumnDescription(c) for c in range(table.nColumns)]
            line += " columns [%s]" % ", ".join(heads)
        except NotImplementedError:
            pass
        line += " (%d children)" % node.childCount
        if node.description:
            line += " description \"%s\"" % node.description.replace("\n", "\\n")
    if role == pyatspi.ROLE_SPIN_BUTTON:
        try:
            line += " value %g" % node.queryValue().currentValue
        except NotImplementedError:
            pass
        try:
            line += " text \"%s\"" % node.queryText().getText(0, -1)
        except NotImplementedError:
            pass
    for rel in node.getRelationSet():
        if rel.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            line += " labelled-by \"%s\"" % rel.getTarget(0).name
    if nameless:
        line += "   <-- no name"
    out.append(line)
    count = int(nameless)
    if role not in WITH_ITEMS:
        for child in node:
            if child is not None:
                count += walk(child, depth + 1, out)
    return count


def main():
    app_name = sys.argv[1]
    deadline = time.time() + (float(sys.argv[2]) if len(sys.argv) > 2 else 10)
    app = None
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        app = next((a for a in desktop if a is not None and a.name == app_name), None)
        if app is not None and app.childCount > 0:
            break
        time.sleep(0.2)
    if app is None:
        print("atspi_tree: no application %r on the accessibility bus" % app_name, file=sys.stderr)
        return 2
    out = []
    nameless = sum(walk(window, 0, out) for window in app)
    print("\n".join(out))
    if nameless:
        print("atspi_tree: %d interactive control(s) without a name" % nameless, file=sys.stderr)
    return 1 if nameless else 0


if __name__ == "__main__":
    sys.exit(main())
