"""The real bar as a screen reader meets it: on a virtual display, on a session bus of its own
with the accessibility registry, read and driven through AT-SPI, and typed at with real keys.

Each window's script builds a Session, checks what it must, and ends with finish(). A script
exits 77 (skipped) only when a tool it needs is not installed."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIPPED = 77


def skip(why):
    print(f"SKIP: {why}")
    sys.exit(SKIPPED)


def own_session_bus():
    """Runs this script again inside dbus-run-session, so the registry and the bar meet on a bus
    nobody else uses and both go when it ends."""
    if os.environ.get("TEVLO_ACCESSIBLE_BUS") == "1":
        return
    if not shutil.which("dbus-run-session"):
        skip("dbus-run-session is not installed")
    # The accessibility bus keeps its socket in the runtime folder: one of its own, so runs side
    # by side never meet.
    env = dict(os.environ, TEVLO_ACCESSIBLE_BUS="1",
               XDG_RUNTIME_DIR=tempfile.mkdtemp(prefix="tevlo-a11y-runtime."))
    # Nothing of a desktop session may leak in: the bus, the registry and the display are ours.
    # Links go to the recording opener on PATH, whatever desktop the run was started from.
    for name in ("AT_SPI_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP",
                 "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID", "BROWSER",
                 "DEFAULT_BROWSER"):
        env.pop(name, None)
    os.execvpe("dbus-run-session", ["dbus-run-session", "--", sys.executable] + sys.argv, env)


own_session_bus()
try:
    import pyatspi
    from gi.repository import GLib
except ImportError:
    skip("python3-pyatspi is not installed")
for tool in ("Xvfb", "xdotool", "at-spi-bus-launcher"):
    if not shutil.which(tool) and not os.path.exists(f"/usr/libexec/{tool}"):
        skip(f"{tool} is not installed")


def wait_for(condition, seconds=20):
    """Polls until the condition holds, serving AT-SPI's events meanwhile. The sanitizer build is
    several times slower, so the limits are generous; a passing run never waits one out."""
    deadline = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while True:
        while context.iteration(False):
            pass
        result = condition()
        if result or time.monotonic() > deadline:
            return result
        time.sleep(0.05)


def descendants(root):
    """Every accessible below root, depth first, as a screen reader walks it."""
    stack = [root]
    while stack:
        node = stack.pop()
        if node is None:
            continue
        yield node
        stack.extend(reversed([child for child in node]))


def find(root, role, name=None):
    for node in descendants(root):
        if node.getRoleName() == role and (name is None or node.name == name):
            return node
    return None


def find_all(root, role):
    return [node for node in descendants(root) if node.getRoleName() == role]


def actions(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def do(node, name):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) == name:
            return action.doAction(i)
    raise AssertionError(f'"{node.name}" has no action {name}')


def has(node, state):
    return node.getState().contains(state)


class Session:
    def __init__(self, program, ini_lines, sections=None, recorders=()):
        """ini_lines may name {work}, the bar's folder; each tag in recorders is a program
        {work}/<tag>/record that records where and with what it was started."""
        self.failures = 0
        self.work = tempfile.mkdtemp(prefix="tevlo-a11y.")
        self.xvfb = self.bar = None
        self.focus = None
        signal.signal(signal.SIGTERM, lambda *_: sys.exit(130))
        try:
            self._start(program, ini_lines, sections, recorders)
        except BaseException:
            self.close()
            raise

    def _start(self, program, ini_lines, sections, recorders):
        work = self.work
        shutil.copy(program, f"{work}/tevlo")
        for tag in recorders:
            os.mkdir(f"{work}/{tag}")
            self.recorder(tag, f"{work}/{tag}/record")
        with open(f"{work}/tevlo.ini", "w", newline="\r\n") as ini:
            ini.write("\n".join(line.replace("{work}", work) for line in ini_lines) + "\n")
        with open(f"{work}/Items.txt", "w", newline="\r\n") as items:
            items.write("\n".join(sections or [f"S{n}" for n in range(1, 11)]) + "\n")
        # The desktop's opener, as the bar's links and help call it: it records what it was given.
        os.mkdir(f"{work}/bin")
        self.recorder("opened", f"{work}/bin/xdg-open")
        os.mkdir(f"{work}/runtime", 0o700)

        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as display:
            number = display.readline().strip()
        if not number:
            self.die("Xvfb did not start")
        os.environ["DISPLAY"] = f":{number}"

        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
                   XDG_RUNTIME_DIR=f"{work}/runtime", PATH=f"{work}/bin:{os.environ['PATH']}")
        self.log = open(f"{work}/bar.log", "w")
        self.bar = subprocess.Popen([f"{work}/tevlo"], cwd="/", env=env, stdout=self.log,
                                    stderr=subprocess.STDOUT)
        self.app = wait_for(self._application, 30)
        if not self.app:
            self.die("the bar never appeared on the accessibility bus")
        self.frame = wait_for(lambda: find(self.app, "frame", "Tevlo"), 20)
        if not self.frame:
            self.die("the bar has no frame named Tevlo")
        # A screen reader learns where the focus is from these events, and so does the test.
        pyatspi.Registry.registerEventListener(self._focused, "object:state-changed:focused")

    def _application(self):
        if self.bar.poll() is not None:
            self.die(f"the bar ended with status {self.bar.returncode}")
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == "tevlo":
                return app
        return None

    def _focused(self, event):
        if event.detail1 == 1:
            self.focus = event.source

    def recorder(self, tag, path):
        """A program that writes its folder and arguments to <work>/<tag>.out when started."""
        out = f"{self.work}/{tag}.out"
        with open(path, "w") as script:
            script.write("#!/bin/sh\n"
                         f'{{ pwd -P; for a in "$@"; do printf "[%s]\\n" "$a"; done; }} >"{out}.tmp" &&'
                         f' mv "{out}.tmp" "{out}"\n')
        os.chmod(path, 0o755)
        return path

    def recorded(self, tag, seconds=20):
        path = f"{self.work}/{tag}.out"
        if not wait_for(lambda: os.path.exists(path), seconds):
            return None
        with open(path) as out:
            return out.read()

    def forget(self, tag):
        if os.path.exists(f"{self.work}/{tag}.out"):
            os.remove(f"{self.work}/{tag}.out")

    def saved(self):
        with open(f"{self.work}/tevlo.ini", newline="") as ini:
            return ini.read()

    def window(self, role, name, seconds=20):
        """A top-level accessible of the bar's other than its frame, once it shows."""
        def shown():
            for node in self.app:
                if node is not None and node.getRoleName() == role and node.name == name \
                        and has(node, pyatspi.STATE_SHOWING):
                    return node
            return None
        return wait_for(shown, seconds)

    def open_from_bar(self, button, title):
        """Presses one of the bar's buttons with keys alone and answers the dialog it opens."""
        self.focus_window("Tevlo")
        self.tab_to(button)
        self.key("space")
        opened = self.window("dialog", title)
        if not opened:
            self.die(f"Space on the focused {button} showed no window titled {title}")
        return opened

    def key(self, *keys):
        """Real key presses, to whichever window has the keyboard."""
        subprocess.run(["xdotool", "key", "--delay", "60", *keys], check=True)

    def type(self, text):
        subprocess.run(["xdotool", "type", "--delay", "40", text], check=True)

    def focus_window(self, title):
        found = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--pid",
                                str(self.bar.pid), "--name", f"^{title}$"],
                               capture_output=True, text=True).stdout.split()
        if not found:
            self.die(f"no visible window titled {title}")
        subprocess.run(["xdotool", "windowfocus", "--sync", found[0]], check=True)

    def focused_name(self):
        return self.focus.name if self.focus is not None else None

    def tab_to(self, name, key="Tab", most=40):
        """Presses Tab until the named control has the focus; the names passed on the way."""
        if self.focused_name() == name:
            return []
        return self.walk(name, key, most)

    def walk(self, name, key="Tab", most=40):
        """Presses Tab at least once and until the named control has the focus again; the names
        passed on the way, the last one included."""
        passed = []
        for _ in range(most):
            if passed and self.focused_name() == name:
                return passed
            before = self.focus
            self.key(key)
            wait_for(lambda: self.focus is not before, 5)
            passed.append(self.focused_name())
        self.fail(f'{key} never reached "{name}"; it went through {passed}')
        return passed

    def check(self, condition, message):
        if not condition:
            self.fail(message)
        return condition

    def fail(self, message):
        print(f"FAIL: {message}", flush=True)
        self.failures += 1

    def die(self, message):
        self.fail(message)
        self.finish()

    def close(self):
        for process in (self.bar, self.xvfb):
            if process is not None and process.poll() is None:
                process.kill()
                process.wait()
        self.bar = self.xvfb = None
        shutil.rmtree(self.work, ignore_errors=True)
        shutil.rmtree(os.environ["XDG_RUNTIME_DIR"], ignore_errors=True)

    def end(self):
        """Ends the bar as the desktop does: it must leave with status 0, which under the
        sanitizers also means without a report."""
        if self.bar is None or self.bar.poll() is not None:
            return
        self.bar.terminate()
        try:
            status = self.bar.wait(60)
        except subprocess.TimeoutExpired:
            self.fail("the bar did not end within 60 s of SIGTERM")
            return
        self.check(status == 0, f"the bar ended with status {status} after SIGTERM")

    def finish(self, passed=""):
        self.end()
        if self.failures and os.path.exists(f"{self.work}/bar.log"):
            print("--- the bar's output:")
            with open(f"{self.work}/bar.log") as log:
                print(log.read())
        self.close()
        if self.failures:
            sys.exit(1)
        print(passed)
        sys.exit(0)
