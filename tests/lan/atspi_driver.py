#!/usr/bin/python3
"""Reads and drives vidudi-gui from outside, through the accessibility bus (AT-SPI), as Linux
desktop tests do; a mouse click through XTEST (xdotool) only where the tree has no action: a
click on a list row, at the row's place as the tree reports it. Controls are found by their
resource id, which the window gives each control as its accessible description.

    atspi_driver.py PID COMMAND [ARGS...]

    wait-window            the main window is up (prints its extents)
    list-rows ID           the rows of a list view, cells separated by tabs
    text ID                a control's text
    shown ID               "yes" when the control is showing, else "no"
    click ID               presses a button
    click-row ID ROW       clicks a row of a list view
    set-text ID TEXT       types into an edit
    ip ID [A.B.C.D]        fills the four fields of an address control, or prints them
    messagebox             the open message box: caption=..., text=...
    answer-messagebox      presses its OK
    wait-dialog CAPTION    a dialog of that caption is open
    login USER PASSWORD    fills the login dialog and presses its OK
    close                  the main window's close box; then waits for the program to end and
                           prints closed_ms= (from sending the close to the process's end)
    rects                  every control with an id that shows: ID LEFT TOP WIDTH HEIGHT in the
                           window

Exit status 1 with a message when what was asked for is not there within the time limit
(VIDUDI_DRIVER_TIMEOUT seconds, 30 by default).
"""

import ctypes
import os
import subprocess
import sys
import time

import pyatspi

TIMEOUT = float(os.environ.get("VIDUDI_DRIVER_TIMEOUT", "30"))
CAPTION = "Norvane Vidudi"


def fail(message):
    print("atspi_driver: " + message, file=sys.stderr)
    sys.exit(1)


def until(what, find):
    """Polls find() until it gives something, for at most TIMEOUT seconds."""
    deadline = time.monotonic() + TIMEOUT
    while True:
        try:
            found = find()
        except Exception:  # the tree changes under us while the window works
            found = None
        if found is not None:
            return found
        if time.monotonic() > deadline:
            fail(what + " did not come within %.0f s" % TIMEOUT)
        time.sleep(0.1)


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        app = desktop.getChildAtIndex(index)
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            continue
    return None


def windows(pid):
    app = application(pid)
    return [app.getChildAtIndex(i) for i in range(app.childCount)] if app else []


def main_window(pid):
    for window in windows(pid):
        if window.name == CAPTION and window.getRole() != pyatspi.ROLE_ALERT:
            return window
    return None


def descendants(root):
    """Every accessible below root, not descending into list cells."""
    pending = [root]
    while pending:
        node = pending.pop()
        yield node
        if node.getRole() in (pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_LIST):
            continue
        pending.extend(node.getChildAtIndex(i) for i in range(node.childCount))


def control(pid, control_id, window=None):
    root = window or main_window(pid)
    if root is None:
        return None
    for node in descendants(root):
        if node.description == str(control_id):
            return node
    return None


def need(pid, control_id, window=None):
    return until("control %s" % control_id, lambda: control(pid, control_id, window))


def text_of(node):
    try:
        text = node.queryText()
        return text.getText(0, text.characterCount)
    except NotImplementedError:
        return node.name


def press(node):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    for wanted in ("Press", "press", "click", "SetFocus"):
        if wanted in names:
            action.doAction(names.index(wanted))
            return
    if names:
        action.doAction(0)
        return
    fail("%s has no action" % node.description)


def extents(node):
    return node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)


def rows(node):
    table = node.queryTable()
    return [[table.getAccessibleAt(r, c).name for c in range(table.nColumns)] for r in range(table.nRows)]


def message_box(pid):
    for window in windows(pid):
        if window.getRole() == pyatspi.ROLE_ALERT:
            return window
    return None


def dialog_named(pid, name):
    for window in windows(pid):
        if window.name == name and window.getRole() == pyatspi.ROLE_DIALOG:
            return window
    return None


def send_close(title):
    """WM_DELETE_WINDOW to the window, as a window manager's close box sends it."""
    xid = subprocess.run(["xdotool", "search", "--name", "^" + title + "$"], capture_output=True, text=True).stdout.split()
    if not xid:
        fail("no X window named " + title)
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    display = x11.XOpenDisplay(None)
    if not display:
        fail("cannot open the display")

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    class Event(ctypes.Union):
        _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    # Every window of that name: the toolkit's own hidden ones ignore it.
    for window in map(int, xid):
        event = Event()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = window
        event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XFlush(display)
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay(display)


def ended(pid):
    """Gone, or a zombie its parent has not reaped yet: either way the program has ended."""
    try:
        with open("/proc/%d/stat" % pid) as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] == "Z"
    except OSError:
        return True


def run(pid, command, args):
    if command == "wait-window":
        window = until("the main window", lambda: main_window(pid))
        box = extents(window)
        print("window %d %d %d %d" % (box.x, box.y, box.width, box.height))
    elif command == "list-rows":
        for row in rows(need(pid, args[0])):
            print("\t".join(row))
    elif command == "text":
        print(text_of(need(pid, args[0])))
    elif command == "shown":
        node = control(pid, args[0])
        print("yes" if node is not None and node.getState().contains(pyatspi.STATE_SHOWING) else "no")
    elif command == "click":
        press(need(pid, args[0]))
    elif command == "click-row":
        # A button's press takes effect a moment later: the list may not show yet.
        node = until("list %s showing" % args[0],
                     lambda: (lambda n: n if n.getState().contains(pyatspi.STATE_SHOWING) else None)(need(pid, args[0])))
        table = node.queryTable()
        row = int(args[1])
        if row >= table.nRows:
            fail("list %s has no row %d" % (args[0], row))
        cell = extents(table.getAccessibleAt(row, 0))
        x, y = cell.x + min(cell.width // 2, 20), cell.y + cell.height // 2
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], check=True)
        # Returns once the window has taken the click: the row is selected.
        until("row %d of list %s selected" % (row, args[0]),
              lambda: True if table.getAccessibleAt(row, 0).getState().contains(pyatspi.STATE_SELECTED) else None)
    elif command == "set-text":
        need(pid, args[0]).queryEditableText().setTextContents(args[1])
    elif command == "ip":
        fields = [node for node in descendants(need(pid, args[0])) if node.getRole() == pyatspi.ROLE_TEXT]
        fields.sort(key=lambda f: extents(f).x)
        if len(fields) != 4:
            fail("address control %s has %d fields" % (args[0], len(fields)))
        if len(args) == 1:
            print(".".join(text_of(field) for field in fields))
            return
        octets = args[1].split(".")
        if len(octets) != 4:
            fail("not an address: " + args[1])
        for field, octet in zip(fields, octets):
            field.queryEditableText().setTextContents(octet)
    elif command == "messagebox":
        box = until("a message box", lambda: message_box(pid))
        texts = [node.name for node in descendants(box)
                 if node.getRole() == pyatspi.ROLE_LABEL and node.name]
        print("caption=%s\ntext=%s" % (box.name, "\\n".join(texts[0].split("\n")) if texts else ""))
    elif command == "answer-messagebox":
        box = until("a message box", lambda: message_box(pid))
        buttons = [node for node in descendants(box) if node.getRole() == pyatspi.ROLE_PUSH_BUTTON]
        if not buttons:
            fail("the message box has no button")
        press(buttons[0])
        until("the message box to close", lambda: True if message_box(pid) is None else None)
    elif command == "wait-dialog":
        until("the dialog " + args[0], lambda: dialog_named(pid, args[0]))
    elif command == "login":
        login = until("the login dialog", lambda: dialog_named(pid, "Login"))
        need(pid, 1016, login).queryEditableText().setTextContents(args[0])
        need(pid, 1017, login).queryEditableText().setTextContents(args[1])
        press(need(pid, 1, login))
        until("the login dialog to close", lambda: True if dialog_named(pid, "Login") is None else None)
    elif command == "close":
        sent = time.monotonic()
        send_close(CAPTION)
        until("the program's end", lambda: True if ended(pid) else None)
        print("closed_ms=%d" % round((time.monotonic() - sent) * 1000))
    elif command == "rects":
        window = until("the main window", lambda: main_window(pid))
        origin = extents(window)
        for node in descendants(window):
            # Hidden controls have no place on the screen to report.
            if node.description.isdigit() and node.getState().contains(pyatspi.STATE_SHOWING):
                box = extents(node)
                print("%s %d %d %d %d" % (node.description, box.x - origin.x, box.y - origin.y, box.width, box.height))
    else:
        fail("unknown command " + command)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        fail("usage: atspi_driver.py PID COMMAND [ARGS...]")
    run(int(sys.argv[1]), sys.argv[2], sys.argv[3:])
