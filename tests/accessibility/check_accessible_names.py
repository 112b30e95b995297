#!/usr/bin/env python3
"""Lists the window's accessible tree as a screen reader sees it, through AT-SPI, and checks it.

Usage: check_accessible_names.py QOR_BINARY WORK_FOLDER

Runs QOR on a book of 40 contacts under a private X server (Xvfb), a private D-Bus session and
accessibility bus, with Qt's AT-SPI bridge on, prints the tree and fails when:
- a control (a field, box, button, list or table) has no name;
- two editable controls share a name (a combo box and its own edit field count as one);
- a button has no name.
Exits 77 (skipped) only when this machine lacks what the check needs: Xvfb, dbus-run-session,
the AT-SPI bus launcher or Debian's python3-pyatspi (all installed by scripts/deps).
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
PATIENCE_S = 30
BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
# The roles of what the user works with (buttons among them); labels, panels, headers and cells
# are not controls.
CONTROL_ROLES = {"push button", "toggle button", "check box", "radio button", "text", "password text",
                 "entry", "combo box", "list", "list box", "table", "tree", "tree table", "spin button",
                 "slider", "scroll bar", "menu button"}
# Their children are the data they show (rows, cells, a combo box's entries), not controls.
DATA_ROLES = {"list", "list box", "table", "tree", "tree table"}


def skip(why):
    print("SKIPPED: " + why)
    sys.exit(SKIPPED)


def write_cards(path, count):
    with open(path, "w", encoding="utf-8", newline="") as out:
        for i in range(count):
            out.write("BEGIN:VCARD\r\nVERSION:4.0\r\nN:Surname%d;Given%d;;;\r\n"
                      "EMAIL:person%d@example.org\r\nEND:VCARD\r\n" % (i, i, i))


class Processes:
    """Processes started in groups of their own, ended together (with what they started)."""

    def __init__(self):
        self.started = []

    def start(self, command, **options):
        process = subprocess.Popen(command, start_new_session=True, **options)
        self.started.append(process)
        return process

    def end(self):
        for process in reversed(self.started):
            try:
                os.killpg(process.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            try:
                process.wait(timeout=PATIENCE_S)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()


def start_display(processes):
    """A private X server; returns its display name."""
    read_end, write_end = os.pipe()
    processes.start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                    pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        piece = os.read(read_end, 16)
        if not piece:
            sys.exit("FAIL: Xvfb did not start")
        number += piece
    os.close(read_end)
    return ":" + number.decode().strip()


def find_application(pyatspi, name):
    deadline = time.monotonic() + PATIENCE_S
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            # Up once its window is there with the window's controls in it.
            if app is not None and app.name == name and app.childCount > 0 \
                    and app.getChildAtIndex(0).childCount > 10:
                return app
        time.sleep(0.1)
    sys.exit("FAIL: %s did not appear on the accessibility bus within %d s" % (name, PATIENCE_S))


def walk(pyatspi, node, parent_role, depth, out):
    """Every node below `node` as (depth, role, name, editable, parent's role)."""
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is None:
            continue
        role = child.getRoleName()
        editable = child.getState().contains(pyatspi.STATE_EDITABLE)
        out.append((depth, role, child.name, editable, parent_role))
        if role not in DATA_ROLES:
            walk(pyatspi, child, role, depth + 1, out)


def faults_in(nodes):
    faults = []
    editable_names = {}
    for depth, role, name, editable, parent_role in nodes:
        if role in CONTROL_ROLES and not name:
            faults.append("a %s has no name" % role)
        # An editable combo box's edit field is the box itself to the user.
        if editable and name and not (role == "text" and parent_role == "combo box"):
            editable_names[name] = editable_names.get(name, 0) + 1
    for name, count in sorted(editable_names.items()):
        if count > 1:
            faults.append("%d editable controls share the name %r" % (count, name))
    return faults


def check(qor, work):
    import pyatspi
    book_folder = os.path.join(work, "book")
    shutil.rmtree(book_folder, ignore_errors=True)
    os.makedirs(book_folder)
    cards = os.path.join(work, "contacts.vcf")
    write_cards(cards, 40)
    subprocess.run([qor, "--import", cards, os.path.join(book_folder, "qor.qor")], check=True,
                   stdout=subprocess.DEVNULL)

    processes = Processes()
    try:
        env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   DISPLAY=start_display(processes))
        os.environ["DISPLAY"] = env["DISPLAY"]
        processes.start([BUS_LAUNCHER, "--launch-immediately"], env=env, stderr=subprocess.DEVNULL)
        processes.start([qor], env=env, cwd=book_folder)
        app = find_application(pyatspi, os.path.basename(qor))
        nodes = []
        walk(pyatspi, app, "application", 0, nodes)
    finally:
        processes.end()

    for depth, role, name, editable, _ in nodes:
        print("%s%s %r%s" % ("  " * depth, role, name, " (editable)" if editable else ""))
    faults = faults_in(nodes)
    for fault in faults:
        print("FAIL: " + fault, file=sys.stderr)
    controls = sum(1 for node in nodes if node[1] in CONTROL_ROLES)
    print("%d controls, %d faults" % (controls, len(faults)))
    return 1 if faults or controls < 40 else 0


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    qor, work = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    for program in ("Xvfb", "dbus-run-session"):
        if not shutil.which(program):
            skip(program + " is not installed")
    if not os.access(BUS_LAUNCHER, os.X_OK):
        skip(BUS_LAUNCHER + " is not installed")
    try:
        import pyatspi  # noqa: F401
    except ImportError:
        skip("python3-pyatspi is not installed")
    if os.environ.get("QOR_ACCESSIBILITY_SESSION") != "1":
        # A session bus and a runtime folder of the check's own: the accessibility bus it
        # starts is found through them, and another run at the same time has its own.
        os.makedirs(work, exist_ok=True)
        runtime = tempfile.mkdtemp(prefix="runtime-", dir=work)
        env = dict(os.environ, QOR_ACCESSIBILITY_SESSION="1", XDG_RUNTIME_DIR=runtime)
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        try:
            status = subprocess.call(["dbus-run-session", "--", sys.executable] + sys.argv, env=env)
        finally:
            shutil.rmtree(runtime, ignore_errors=True)
        sys.exit(status)
    sys.exit(check(qor, work))


if __name__ == "__main__":
    main()
