#!/usr/bin/python3
"""The running client through the accessibility bus, as a screen reader sees it.

Starts, all of its own: an X server (Xvfb), a session message bus (dbus-daemon, which starts the
accessibility bus on demand), vantor-server with the sample organisation, and vantor with Qt's
accessibility switched on. Then walks the client's accessibility tree (AT-SPI, pyatspi) on the
sign-in panel, starts it again signed in from the command line, walks the main window, opens a
the notice reader (pressing its button through its accessible action) and a conversation window (through
`agent`), and walks again. Every push button, check box and menu item shown must
have a name. Exit 77 (skipped) when a tool is missing, unless CI=true, where that fails.

usage: accessibility_test.py <bin folder> <organisation file>
"""
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

SKIP = 77
ci = os.environ.get("CI") == "true"


def missing(what):
    if ci:
        print(f"FAIL: {what} is missing (CI=true)", file=sys.stderr)
        sys.exit(1)
    print(f"*** SKIPPED, NOT TESTED: {what} is missing ***", file=sys.stderr)
    sys.exit(SKIP)


bin_dir, org_file = sys.argv[1], sys.argv[2]
for tool in ("Xvfb", "dbus-daemon"):
    if not shutil.which(tool):
        missing(tool)
if not os.path.exists("/usr/libexec/at-spi-bus-launcher"):
    missing("at-spi2-core (at-spi-bus-launcher)")

work = tempfile.mkdtemp(prefix="vantor-a11y.")
children = []


def start(args, **kw):
    p = subprocess.Popen(args, **kw)
    children.append(p)
    return p


def stop_all():
    for p in reversed(children):
        if p.poll() is None:
            p.send_signal(signal.SIGTERM)
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
    if os.environ.get("A11Y_KEEP"):
        print("kept", work)
    else:
        shutil.rmtree(work, ignore_errors=True)


def read_line(fd, seconds):
    deadline = time.time() + seconds
    data = b""
    while time.time() < deadline and not data.endswith(b"\n"):
        chunk = os.read(fd, 1)
        if not chunk:
            break
        data += chunk
    return data.decode().strip()


def free_port():
    # The client's settings hold server ports up to 32767.
    import random
    for _ in range(200):
        port = random.randint(20000, 32767)
        try:
            with socket.socket() as t, socket.socket(type=socket.SOCK_DGRAM) as u:
                t.bind(("127.0.0.1", port))
                u.bind(("127.0.0.1", port))
            return port
        except OSError:
            continue
    raise RuntimeError("no free port")


failures = []
try:
    r, w = os.pipe()
    start(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
          pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(w)
    display = read_line(r, 10)
    if not display:
        missing("a working Xvfb")
    bus = start(["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"],
                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    address = read_line(bus.stdout.fileno(), 10)
    if not address:
        missing("a working dbus-daemon")

    env = dict(os.environ)
    home = os.path.join(work, "home")
    run = os.path.join(work, "run")
    os.makedirs(os.path.join(home, "Documents", "KZQ"))
    os.makedirs(run, mode=0o700)
    env.update(DISPLAY=":" + display, DBUS_SESSION_BUS_ADDRESS=address, HOME=home, XDG_RUNTIME_DIR=run,
               QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
               NO_AT_BRIDGE="0")
    env.pop("XDG_CONFIG_HOME", None)
    port = free_port()
    server_log = open(os.path.join(work, "server.log"), "w")
    start([os.path.join(bin_dir, "vantor-server"), "--db", os.path.join(work, "org.db"), "--org", org_file,
           "--log-level", "debug", "--port", str(port), "--file-port", str(free_port()), "--files", os.path.join(work, "files")],
          stdout=server_log, stderr=server_log)
    with open(os.path.join(home, "Documents", "KZQ", "IM.Dat"), "w") as f:
        f.write(f"[Login]\r\nHostName=127.0.0.1\r\nServerPort={port}\r\nUserName=zhangwei\r\n")
    server_log_path = os.path.join(work, "server.log")
    for _ in range(100):
        if "listening" in open(server_log_path, encoding="utf-8", errors="replace").read():
            break
        time.sleep(0.1)
    else:
        failures.append("vantor-server did not start: " + open(server_log_path).read()[-500:])
    client_log = open(os.path.join(work, "client.log"), "w")
    client = start([os.path.join(bin_dir, "vantor")], env=env, stdout=client_log, stderr=client_log)

    # pyatspi finds the accessibility bus through the session bus and the display at import.
    os.environ.update(DISPLAY=env["DISPLAY"], DBUS_SESSION_BUS_ADDRESS=address)
    try:
        import pyatspi
    except ImportError:
        missing("python3-pyatspi")

    CHECKED = {pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
               pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM,
               pyatspi.ROLE_RADIO_MENU_ITEM}
    # Rows of trees and lists are not controls; their cells are many.
    LEAVES = {pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TABLE, pyatspi.ROLE_LIST}

    def application():
        deadline = time.time() + 30
        while time.time() < deadline:
            if client.poll() is not None:
                return None
            desktop = pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                app = desktop.getChildAtIndex(i)
                if app is not None and app.name in ("Kezique", "vantor"):
                    return app
            time.sleep(0.3)
        return None

    def walk(node, found, path=""):
        try:
            role, name, count = node.getRole(), node.name, node.childCount
            showing = node.getState().contains(pyatspi.STATE_SHOWING)
        except Exception:  # the object went away meanwhile
            return
        here = f"{path}/{node.getRoleName()}:{name}"
        found.append((role, name, showing, here, node))
        if role in LEAVES:
            return
        for i in range(count):
            child = node.getChildAtIndex(i)
            if child is not None:
                walk(child, found, here)

    def check(stage):
        app = application()
        if app is None:
            failures.append(f"{stage}: the client is not on the accessibility bus")
            return []
        found = []
        walk(app, found)
        unnamed = [here for role, name, showing, here, _ in found if role in CHECKED and showing and not name.strip()]
        controls = [1 for role, _, showing, _, _ in found if role in CHECKED and showing]
        print(f"{stage}: {len(controls)} controls shown, {len(unnamed)} without a name")
        for u in unnamed:
            failures.append(f"{stage}: no name: {u}")
        if not controls:
            failures.append(f"{stage}: no control found at all")
        return found

    def wait_for(stage, predicate, seconds=30):
        deadline = time.time() + seconds
        while time.time() < deadline:
            app = application()
            found = []
            if app is not None:
                walk(app, found)
                hit = next((n for role, name, showing, _, n in found if showing and predicate(role, name)), None)
                if hit is not None:
                    return hit
            time.sleep(0.5)
        failures.append(f"{stage}: not found in time")
        return None

    # The sign-in panel, once it is up.
    wait_for("sign-in panel", lambda role, name: role == pyatspi.ROLE_PUSH_BUTTON and name == "登录")
    check("sign-in panel")
    client.send_signal(signal.SIGTERM)
    client.wait(15)

    # Signed in from the command line: the main window, the notice reader, a conversation window.
    client = start([os.path.join(bin_dir, "vantor"), "loginuser=zhangwei&loginpwd=zhangwei123"], env=env,
                   stdout=client_log, stderr=client_log)
    if wait_for("main window", lambda role, name: name == "对话历史记录") is not None:
        check("main window")
        notice = wait_for("main window", lambda role, name: role == pyatspi.ROLE_PUSH_BUTTON and name == "内部通知")
        if notice is not None:
            notice.queryAction().doAction(0)
            if wait_for("notice reader", lambda role, name: role == pyatspi.ROLE_PUSH_BUTTON and name == "阅读记录") is not None:
                check("notice reader")
        subprocess.run([os.path.join(bin_dir, "agent"), "uin=1002"], env=env, timeout=30, check=False)
        if wait_for("conversation window", lambda role, name: name == "发送文件") is not None:
            check("conversation window")
finally:
    for name in ("client.log", "server.log"):
        log = os.path.join(work, name)
        if failures and os.path.exists(log):
            print(name + ":", open(log, encoding="utf-8", errors="replace").read()[-2000:], file=sys.stderr)
    stop_all()

for f in failures:
    print("FAIL:", f, file=sys.stderr)
sys.exit(1 if failures else 0)
