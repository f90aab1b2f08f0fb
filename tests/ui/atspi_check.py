#!/usr/bin/env python3
"""The window as a screen reader sees it, read through the AT-SPI tree.

Starts its own Xvfb, D-Bus session bus and AT-SPI bus, runs the program there
with a sandboxed home, and checks on every page: the mnemonics Qt reports as
key bindings are unique, the tabs are the four pages that can be shown, the
drive list has a label, the edit page's two "Name:" fields have distinct
names, and the credits dialog exposes its shown lines as text.

Usage: atspi_check.py PATH_TO_BRISOLT. Exit 0: passed, 1: failed, 77: skipped
(Xvfb, dbus-daemon, at-spi2-core or gir1.2-atspi-2.0 missing). Every wait is
bounded; the whole run ends after kDeadline seconds at the latest, and only
the processes started here are ended.
"""

import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import warnings

kDeadline = 150  # seconds for the whole check; a loaded machine starts the program slowly
kLauncher = "/usr/libexec/at-spi-bus-launcher"


class Failure(Exception):
    pass


def Skip(reason):
    print("skipped: " + reason)
    sys.exit(77)


def WaitFor(what, predicate, timeout=15.0):
    end = time.monotonic() + timeout
    while True:
        try:
            value = predicate()
        except Exception:  # an object that went away counts as "not yet"
            value = None
        if value:
            return value
        if time.monotonic() > end:
            raise Failure("timed out waiting for " + what)
        time.sleep(0.05)


def ReadLine(fd, process, what, timeout=15.0):
    """The first line a child writes to fd (Xvfb's display, dbus-daemon's address)."""
    data = b""
    end = time.monotonic() + timeout
    while b"\n" not in data:
        if process.poll() is not None:
            raise Failure(what + " exited at start")
        left = end - time.monotonic()
        if left <= 0:
            raise Failure(what + " did not start")
        ready, _, _ = select.select([fd], [], [], min(left, 0.2))
        if ready:
            chunk = os.read(fd, 256)
            if not chunk:
                raise Failure(what + " closed its pipe")
            data += chunk
    return data.split(b"\n", 1)[0].decode().strip()


class Processes:
    """Children in process groups of their own, ended group by group."""

    def __init__(self):
        self.started = []

    def Start(self, argv, env, pass_fds=()):
        process = subprocess.Popen(argv, env=env, pass_fds=pass_fds, start_new_session=True,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.started.append(process)
        return process

    def StartReporting(self, argv, env, what):
        """Starts a child that reports one line on the fd given as {fd} in argv."""
        read, write = os.pipe()
        try:
            process = self.Start([a.replace("{fd}", str(write)) for a in argv], env, (write,))
            os.close(write)
            write = None
            return ReadLine(read, process, what)
        finally:
            os.close(read)
            if write is not None:
                os.close(write)

    def EndAll(self):
        for process in reversed(self.started):
            for sig, wait in ((signal.SIGTERM, 3), (signal.SIGKILL, 3)):
                try:
                    os.killpg(process.pid, sig)
                except ProcessLookupError:
                    break
                try:
                    process.wait(wait)
                    break
                except subprocess.TimeoutExpired:
                    continue


def Children(acc):
    for i in range(acc.get_child_count()):
        child = acc.get_child_at_index(i)
        if child is not None:
            yield child


def Walk(acc):
    stack = [acc]
    while stack:
        node = stack.pop()
        yield node
        stack.extend(reversed(list(Children(node))))


def States(acc):
    return {s.value_nick for s in acc.get_state_set().get_states()}


def Role(acc):
    return acc.get_role_name()


def Find(root, role, name, showing=True):
    for node in Walk(root):
        if Role(node) == role and node.get_name() == name and (not showing or "showing" in States(node)):
            return node
    return None


def DoAction(Atspi, acc, action):
    for i in range(Atspi.Action.get_n_actions(acc)):
        if Atspi.Action.get_action_name(acc, i) == action:
            Atspi.Action.do_action(acc, i)
            return
    raise Failure("%s %r has no action %s" % (Role(acc), acc.get_name(), action))


def Mnemonics(Atspi, frame):
    """Key binding -> accessible name of every showing control that reports one."""
    found = {}
    duplicates = []
    for node in Walk(frame):
        # A tab list takes its name and key from the current tab.
        if ("showing" not in States(node) or "Action" not in node.get_interfaces()
                or Role(node) == "page tab list"):
            continue
        bindings = [Atspi.Action.get_key_binding(node, i) for i in range(Atspi.Action.get_n_actions(node))]
        binding = next((b for b in bindings if b), "")
        if not binding.startswith("Alt+"):
            continue
        key = binding.lower()
        if key in found:
            duplicates.append("%s: %r and %r" % (binding, found[key], node.get_name()))
        found[key] = node.get_name()
    if duplicates:
        raise Failure("mnemonic twice on one page: " + "; ".join(duplicates))
    return found


def Check(Atspi, desktop, program):
    app = WaitFor("the program on the AT-SPI bus",
                  lambda: next((a for a in Children(desktop) if a.get_process_id() == program.pid), None), 90)
    frame = WaitFor("the main window", lambda: next(
        (w for w in Children(app) if Role(w) == "frame" and "showing" in States(w)), None), 60)
    tabs = WaitFor("the page tabs", lambda: next(
        (n for n in Walk(frame) if Role(n) == "page tab" and n.get_name() == "Erstelle Torrent"), None))
    bar = tabs.get_parent()
    # Every tab, showing or not: the never shown "Über Orl" page is none of them.
    pages = [t for t in Children(bar) if Role(t) == "page tab"]
    captions = [t.get_name() for t in pages]
    if captions != ["Erstelle Torrent", "Bearbeite Torrent", "Einstellungen", "Über Brisolt"]:
        raise Failure("page tabs: %r" % captions)
    # Each page and the control that shows it is there.
    probes = [("Erstelle Torrent", "Einfach", "Alle"), ("Erstelle Torrent", "Klassisch", "Datei"),
              ("Bearbeite Torrent", None, "Öffne Torrent"), ("Einstellungen", None, "Einstellungen speichern"),
              ("Über Brisolt", None, "Homepage")]
    for page, mode, probe in probes:
        DoAction(Atspi, next(t for t in pages if t.get_name() == page), "Press")
        if mode:
            WaitFor("the mode tabs", lambda: Find(frame, "page tab", mode))
            DoAction(Atspi, Find(frame, "page tab", mode), "Press")
        WaitFor("%s showing" % probe, lambda: Find(frame, "push button", probe))
        found = Mnemonics(Atspi, frame)
        for caption in captions:
            if caption not in found.values():
                raise Failure("page tab %r has no mnemonic" % caption)
        if len(found) < 8:
            raise Failure("only %d mnemonics on %s: %r" % (len(found), page, found))
        print("%s%s: %s" % (page, " / " + mode if mode else "", ", ".join(
            "%s %s" % (k[4:].upper(), v) for k, v in sorted(found.items()))))

        if mode == "Einfach":
            # A combo box is named by its label; the drive list's is not shown.
            drives = [n for n in Walk(frame) if Role(n) == "combo box" and "showing" in States(n) and any(
                r.get_relation_type().value_nick == "labelled-by"
                and any(r.get_target(i).get_name() == "Laufwerk:" for i in range(r.get_n_targets()))
                for r in n.get_relation_set())]
            if len(drives) != 1:
                raise Failure("combo boxes labelled Laufwerk: %d" % len(drives))
            print("Drive list labelled: Laufwerk:")

        if page == "Bearbeite Torrent":
            named = sorted(n.get_name() for n in Walk(frame) if Role(n) == "text" and "showing" in States(n) and any(
                r.get_relation_type().value_nick == "labelled-by"
                and any(r.get_target(i).get_name() == "Name:" for i in range(r.get_n_targets()))
                for r in n.get_relation_set()))
            if named != ["Name des Torrents", "Pfad und Name der gewählten Datei"]:
                raise Failure("fields labelled Name: %r" % named)
            print("Name fields: %r" % named)

    # The credits dialog: its painted lines as text.
    DoAction(Atspi, Find(frame, "push button", "Über Orl"), "Press")
    dialog = WaitFor("the credits dialog", lambda: next(
        (w for w in Children(app) if w.get_name() == "Über Brisolt Orl" and "showing" in States(w)), None))
    credits = WaitFor("the credits text", lambda: next(
        (n for n in Walk(dialog) if Role(n) == "label" and "Text" in n.get_interfaces()
         and "Orl" in (Atspi.Text.get_text(n, 0, -1) or "")), None))
    lines = Atspi.Text.get_text(credits, 0, -1).split("\n")
    if (len(lines) != 9 or lines[0] != "Orl" or lines[1] != "Besucht die Orl-Gemeinschaft und ihre Freunde im Netz:"
            or lines[-1] != "TScrollingCredits von den Brisolt-Entwicklern" or any("<" in l for l in lines)):
        raise Failure("credits text: %r" % lines)
    if credits.get_name() != "\n".join(lines):
        raise Failure("credits name: %r" % credits.get_name())
    print("Credits: %d lines, %r ... %r" % (len(lines), lines[0], lines[-1]))


def Main():
    if len(sys.argv) != 2 or not os.access(sys.argv[1], os.X_OK):
        print("usage: atspi_check.py PATH_TO_BRISOLT", file=sys.stderr)
        return 2
    for tool in ("Xvfb", "dbus-daemon"):
        if not shutil.which(tool):
            Skip(tool + " not installed")
    if not os.path.exists(kLauncher):
        Skip("at-spi2-core not installed")
    warnings.filterwarnings("ignore", category=DeprecationWarning)  # libatspi's renamed calls
    try:
        import gi
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi
    except (ImportError, ValueError):
        Skip("python3-gi with gir1.2-atspi-2.0 not installed")

    def Expire(signum, frame):
        raise Failure("the check took longer than %d s" % kDeadline)

    signal.signal(signal.SIGALRM, Expire)
    signal.alarm(kDeadline)
    processes = Processes()
    root = tempfile.mkdtemp(prefix="brisolt-atspi-")
    try:
        env = {k: v for k, v in os.environ.items() if not k.startswith(("DBUS_", "AT_SPI", "QT_", "XDG_"))}
        env.update(HOME=os.path.join(root, "home"), XDG_CONFIG_HOME=os.path.join(root, "config"),
                   XDG_RUNTIME_DIR=root, BRISOLT_INSTALL_DIR=os.path.join(root, "install"), LANG="C.UTF-8")
        for folder in ("home", "config", "install"):
            os.mkdir(os.path.join(root, folder))
        env["DISPLAY"] = ":" + processes.StartReporting(
            ["Xvfb", "-displayfd", "{fd}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"], env, "Xvfb")
        env["DBUS_SESSION_BUS_ADDRESS"] = processes.StartReporting(
            ["dbus-daemon", "--session", "--nofork", "--print-address={fd}",
             "--address=unix:path=%s/bus" % root], env, "dbus-daemon")
        processes.Start([kLauncher, "--launch-immediately", "--a11y=1"], env)
        for key in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR"):
            os.environ[key] = env[key]
        os.environ.pop("AT_SPI_BUS_ADDRESS", None)
        Atspi.init()
        Atspi.set_timeout(3000, 15000)
        desktop = Atspi.get_desktop(0)
        env.update(QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
        program = processes.Start([sys.argv[1]], env)
        Check(Atspi, desktop, program)
        if program.poll() is not None:
            raise Failure("the program ended with %d" % program.returncode)
        print("passed")
        return 0
    except Failure as failure:
        print("FAILED: %s" % failure)
        return 1
    finally:
        signal.alarm(0)
        processes.EndAll()
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(Main())
