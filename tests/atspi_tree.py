#!/usr/bin/env python3
"""The running program as assistive software sees it, over AT-SPI: the main window's
controls with their names and roles, the announcement that the search for servers is done,
then the monitor, opened by pressing "ADS Remote Check" through its accessible action, with
its grids as tables: titles as column headers, the rows in view as cells, the current cell
focused. Every wait has a bound; the first thing missing ends the run with its reason.

    atspi_tree.py UNC-PATH ANSWERING SERVERS   (the first drive's path; of the drives' servers,
                                               how many answer)"""

import sys
import time

import pyatspi

WAIT_SECONDS = 30
failures = []
# The first drive's path, and how many of the drives' servers answer.
UNC_PATH, ANSWERING, SERVERS = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])


def check(what, got, expected):
    if got != expected:
        failures.append(f"{what}: {got!r}, expected {expected!r}")


def wait_for(what, find, seconds=WAIT_SECONDS, explain=None):
    end = time.monotonic() + seconds
    while True:
        try:
            found = find()
        except Exception:  # the tree changes under a look: look again
            found = None
        if found:
            return found
        if time.monotonic() > end:
            sys.exit(f"{what} did not appear within {seconds} s"
                     + (f"; {explain()}" if explain else ""))
        time.sleep(0.1)


def children(node):
    return [node.getChildAtIndex(i) for i in range(node.childCount)]


def find(node, role, name=None, depth=12):
    """The first node below of the role (and name), tables not entered: their cells are many."""
    for child in children(node):
        if child is None:
            continue
        if child.getRoleName() == role and (name is None or child.name == name):
            return child
        if depth > 0 and child.getRoleName() != "table":
            found = find(child, role, name, depth - 1)
            if found:
                return found
    return None


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in children(desktop):
        if app is not None and app.name == "Quellmark":
            return app
    return None


def window(app, role, name):
    for child in children(app):
        if child is not None and child.getRoleName() == role and child.name == name:
            return child
    return None


def labels_of(node):
    labels = []
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            labels += [relation.getTarget(i).name for i in range(relation.getNTargets())]
    return labels


def text_of(node):
    text = node.queryText()
    return text.getText(0, text.characterCount)


def table_rows(table_node):
    table = table_node.queryTable()
    titles = [table.getColumnDescription(c) for c in range(table.nColumns)]
    rows = [[table.getAccessibleAt(r, c).name for c in range(table.nColumns)]
            for r in range(table.nRows)]
    return titles, rows


def main_window(app):
    main = wait_for("the main window", lambda: window(app, "frame", "Quellmark"))
    check("the main window's role", main.getRoleName(), "frame")
    drives = wait_for("the drive list", lambda: find(main, "combo box"))
    check("the drive list's label", labels_of(drives), ["Netzwerklaufwerke"])
    unc = wait_for("the UNC path", lambda: find(main, "text", "UNC-Path"))
    check("the UNC path", text_of(unc), UNC_PATH)
    preview = wait_for("the preview",
                       lambda: find(main, "text", "zu setzende ADS.INI Einträge:"))
    for name in ("ADS Remote Check", "ADS.INI aktualisieren"):
        wait_for(f'the button "{name}"', lambda: find(main, "push button", name))
    # The search for servers runs beside the window and is announced when it is done.
    wait_for("the announcement that the search is done",
             lambda: main.description.startswith("Suche beendet"))
    check("the announcement", main.description,
          f"Suche beendet: {ANSWERING} von {SERVERS} Servern antworten")
    check("the preview's first line", text_of(preview).split("\n")[0], "[DRIVES]")
    return main


def monitor(app, main):
    remote_check = find(main, "push button", "ADS Remote Check")
    actions = remote_check.queryAction()
    press = [i for i in range(actions.nActions) if actions.getName(i) == "Press"]
    check("the button's actions", len(press), 1)
    actions.doAction(press[0])
    dlg = wait_for("the monitor", lambda: window(app, "dialog", "Remote Server Info"))

    usage = wait_for("the usage grid", lambda: find(dlg, "table", "Database Information"))
    wait_for("the usage rows", lambda: usage.queryTable().nRows > 0)
    titles, rows = table_rows(usage)
    check("the usage grid's first titles", titles[:2], ["ResourceName", "InUse"])
    check("the usage grid's first resource", rows[0][0], "Users")
    header = usage.queryTable().getColumnHeader(0)
    check("the usage grid's first column header", (header.getRoleName(), header.name),
          ("table column header", "ResourceName"))

    # To the users' tab as a screen reader user would: the tab's own action.
    tab = wait_for("the users' tab", lambda: find(dlg, "page tab", "Connected Users"))
    tab_actions = tab.queryAction()
    tab_actions.doAction(0)
    users = wait_for("the users grid", lambda: find(dlg, "table", "Connected Users"))
    wait_for("the users' rows", lambda: users.queryTable().nRows > 0)
    titles, rows = table_rows(users)
    check("the users grid's titles", titles,
          ["Clienc PC Name", "OS User Login Name", "Dictionary User", "Application", "Address",
           "AverageCost", "ConnNumber", "TSAddress"])
    check("the users grid's description", bool(users.description), True)
    logins = [row[:2] for row in rows]
    if ["WS07", "jdoe"] not in logins:
        failures.append(f"the demo's first user is not among the rows: {logins}")

    # With the focus in the grid, the cursor's cell is the focused one.
    users.queryComponent().grabFocus()
    cell = users.queryTable().getAccessibleAt(0, 0)
    wait_for("the focused cell", lambda: cell.getState().contains(pyatspi.STATE_FOCUSED))
    check("the focused cell", (cell.getRoleName(), cell.name), ("table cell", rows[0][0]))

    # Selecting a row moves the cursor there, as a click would: the user's tables follow.
    users.queryTable().addRowSelection(logins.index(["WS07", "jdoe"]))
    tables = wait_for("the user's tables grid", lambda: find(dlg, "table", "Tables Open by User"))
    wait_for("WS07's tables", lambda: tables.queryTable().nRows > 0)
    titles, rows = table_rows(tables)
    check("the user's tables' titles", titles, ["TableName", "LockType", "LockTypeValue"])
    if not all(row[0] for row in rows):
        failures.append(f"a table without a name: {rows}")

    spin = wait_for("the refresh period", lambda: find(dlg, "text", "Refresh every"))
    check("the refresh period's unit", spin.description, "Second(s)")


def run():
    def registered():
        desktop = pyatspi.Registry.getDesktop(0)
        return [app.name if app is not None else None for app in children(desktop)]

    app = wait_for("the program on the accessibility bus", application,
                   explain=lambda: f"the bus has {registered()}")
    main = main_window(app)
    monitor(app, main)
    if failures:
        sys.exit("\n".join(failures))
    print("the accessibility tree holds the main window's controls and the monitor's grids")


if __name__ == "__main__":
    run()
