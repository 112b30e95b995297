#!/usr/bin/env python3
"""Lists the window's accessible tree as a screen reader sees it, through AT-SPI, and checks it.

Usage: check_accessible_names.py QOR_BINARY WORK_FOLDER

Runs QOR on a book of 40 contacts on a private X server (Xvfb), D-Bus session and accessibility
bus, with Qt's AT-SPI bridge on, prints the tree and fails when a control (a field, box, button,
list or table) has no name, or two editable controls share one (a combo box and its own edit
field count as one). Exits 77 (skipped) only when the machine lacks Xvfb, dbus-run-session, the
AT-SPI bus launcher or python3-pyatspi, which scripts/deps installs.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
NOT_SHOWN = 3  # the program never showed its window: another try on a fresh display and bus
PATIENCE_S = 30
BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
# What the user works with, buttons among them; labels, panels, headers and cells are not controls.
CONTROL_ROLES = {"push button", "toggle button", "menu button", "check box", "radio button", "text",
                 "password text", "entry", "combo box", "list", "list box", "table", "tree", "tree table",
                 "spin button", "slider", "scroll bar"}
# Their children are what they show (rows, cells, a combo box's entries), not controls.
DATA_ROLES = {"list", "list box", "table", "tree", "tree table"}


def start(started, command, **options):
    """Starts `command` in a process group of its own, ended with what it starts by end()."""
    started.append(subprocess.Popen(command, start_new_session=True, **options))
    return started[-1]


def end(started):
    for process in reversed(started):
        try:
            os.killpg(process.pid, signal.SIGTERM)
            process.wait(timeout=PATIENCE_S)
        except ProcessLookupError:
            pass
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()


def start_display(started):
    """A private X server on a free display; returns the display's name."""
    read_end, write_end = os.pipe()
    start(started, ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
          pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as display:
        number = display.readline().strip()
    if not number:
        sys.exit("FAIL: Xvfb did not start")
    # Answer to a client first: a program started before then may find nobody there.
    deadline = time.monotonic() + PATIENCE_S
    while subprocess.call(["xdpyinfo", "-display", ":" + number], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL) != 0:
        if time.monotonic() > deadline:
            sys.exit("FAIL: Xvfb on :%s takes no client" % number)
        time.sleep(0.1)
    return ":" + number


def find_window(pyatspi, name):
    """The application `name` once its window holds its controls."""
    deadline = time.monotonic() + PATIENCE_S
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in (desktop.getChildAtIndex(i) for i in range(desktop.childCount)):
            if app is not None and app.name == name and app.childCount and app.getChildAtIndex(0).childCount > 10:
                return app
        time.sleep(0.1)
    return None


def walk(pyatspi, node, parent_role, depth, out):
    """Appends every node below `node` to `out` as (depth, role, name, editable, parent's role)."""
    for child in (node.getChildAtIndex(i) for i in range(node.childCount)):
        if child is None:
            continue
        role = child.getRoleName()
        out.append((depth, role, child.name, child.getState().contains(pyatspi.STATE_EDITABLE), parent_role))
        if role not in DATA_ROLES:
            walk(pyatspi, child, role, depth + 1, out)


def faults_in(nodes):
    faults = ["a %s has no name" % role for _, role, name, _, _ in nodes if role in CONTROL_ROLES and not name]
    # An editable combo box's edit field is the box itself to the user.
    names = [name for _, role, name, editable, parent in nodes
             if editable and name and not (role == "text" and parent == "combo box")]
    faults += ["%d editable controls share the name %r" % (names.count(n), n)
               for n in sorted(set(names)) if names.count(n) > 1]
    return faults


def check(qor, work):
    import pyatspi
    folder = os.path.join(work, "book")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    cards = os.path.join(work, "contacts.vcf")
    with open(cards, "w", encoding="utf-8", newline="") as out:
        for i in range(40):
            out.write("BEGIN:VCARD\r\nVERSION:4.0\r\nN:Surname%d;Given%d;;;\r\nEND:VCARD\r\n" % (i, i))
    subprocess.run([qor, "--import", cards, os.path.join(folder, "qor.qor")], check=True, stdout=subprocess.DEVNULL)

    nodes = []
    started = []
    try:
        os.environ["DISPLAY"] = start_display(started)
        env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        start(started, [BUS_LAUNCHER, "--launch-immediately"], env=env, stderr=subprocess.DEVNULL)
        start(started, [qor], env=env, cwd=folder)
        window = find_window(pyatspi, os.path.basename(qor))
        if window is None:
            print("%s did not appear on the accessibility bus within %d s" % (os.path.basename(qor), PATIENCE_S))
            return NOT_SHOWN
        walk(pyatspi, window, "application", 0, nodes)
    finally:
        end(started)

    for depth, role, name, editable, _ in nodes:
        print("%s%s %r%s" % ("  " * depth, role, name, " (editable)" if editable else ""))
    faults = faults_in(nodes)
    for fault in faults:
        print("FAIL: " + fault)
    controls = sum(1 for node in nodes if node[1] in CONTROL_ROLES)
    print("%d controls, %d faults" % (controls, len(faults)))
    return 1 if faults or controls < 40 else 0


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    qor, work = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    missing = [p for p in ("Xvfb", "xdpyinfo", "dbus-run-session") if not shutil.which(p)]
    missing += [] if os.access(BUS_LAUNCHER, os.X_OK) else [BUS_LAUNCHER]
    try:
        import pyatspi  # noqa: F401
    except ImportError:
        missing.append("python3-pyatspi")
    if missing:
        print("SKIPPED: not installed: " + ", ".join(missing))
        sys.exit(SKIPPED)
    if os.environ.get("QOR_ACCESSIBILITY_SESSION") == "1":
        sys.exit(check(qor, work))
    # Again in a session bus and runtime folder of the check's own: the accessibility bus is
    # found through them, and a run beside it has its own. A second try gets a fresh display,
    # bus and process: a display server another program stops under this one leaves it nowhere
    # to show its window, which says nothing of its names, and the accessibility library keeps
    # the bus it first found for as long as its process lives.
    os.makedirs(work, exist_ok=True)
    for attempt in range(2):
        runtime = tempfile.mkdtemp(prefix="runtime-", dir=work)
        env = dict(os.environ, QOR_ACCESSIBILITY_SESSION="1", XDG_RUNTIME_DIR=runtime)
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        try:
            status = subprocess.call(["dbus-run-session", "--", sys.executable] + sys.argv, env=env)
        finally:
            shutil.rmtree(runtime, ignore_errors=True)
        if status != NOT_SHOWN:
            sys.exit(status)
    sys.exit("FAIL: %s did not appear on the accessibility bus, twice" % os.path.basename(sys.argv[1]))


if __name__ == "__main__":
    main()
