#!/usr/bin/env python3
"""End-to-end scenarios: start the real program under Xvfb, click it with xdotool and check
what a person would see, what the test nodes receive and how the process ends."""
import argparse
import http.server
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

SCREEN_W, SCREEN_H = 1600, 900
MAIN_W = 632
AGENT = ("Mozilla/5.0 (Windows NT 6.1) AppleWebKit/537.1 (KHTML, like Gecko) "
         "Chrome/21.0.1180.92 Safari/537.1 LBBROWSER")


FAILURE_SHOT = None  # a display and a path for a picture of the screen when a check fails


def fail(msg):
    print("FAIL:", msg, flush=True)
    if FAILURE_SHOT:
        FAILURE_SHOT[0].screenshot(FAILURE_SHOT[1])
    sys.exit(1)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Display:
    """A private Xvfb display."""

    def __init__(self):
        # Xvfb picks a free display itself and writes its number once it accepts clients.
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
                                      f"{SCREEN_W}x{SCREEN_H}x24", "-nolisten", "tcp"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                     pass_fds=(write_fd,))
        os.close(write_fd)
        with os.fdopen(read_fd) as f:
            number = f.readline().strip()
        if not number:
            fail("Xvfb did not start")
        self.name = f":{number}"
        self.env = dict(os.environ, DISPLAY=self.name, QT_QPA_PLATFORM="xcb")
        self.env.pop("WAYLAND_DISPLAY", None)
        for _ in range(100):
            if subprocess.run(["xdpyinfo"], env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0:
                return
            time.sleep(0.05)
        fail("Xvfb did not start")

    def xdotool(self, *args, check=True):
        r = subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True, text=True)
        if check and r.returncode != 0:
            fail(f"xdotool {args}: {r.stderr.strip()}")
        return r.stdout.strip()

    def windows(self):
        """Visible top-level windows of the program: id -> (x, y, w, h)."""
        out = self.xdotool("search", "--onlyvisible", "--class", "xinglan-speedtest", check=False)
        found = {}
        for wid in out.split():
            geo = self.xdotool("getwindowgeometry", "--shell", wid, check=False)
            vals = dict(line.split("=", 1) for line in geo.splitlines() if "=" in line)
            if vals:
                found[wid] = tuple(int(vals[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        return found

    def window_of_size(self, w, h, timeout=10):
        end = time.time() + timeout
        while time.time() < end:
            for wid, geo in self.windows().items():
                if geo[2:] == (w, h):
                    return wid, geo
            time.sleep(0.05)
        fail(f"no {w}x{h} window appeared")

    def click(self, x, y):
        self.xdotool("mousemove", x, y)
        time.sleep(0.05)
        self.xdotool("click", 1)

    def screenshot(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        subprocess.run(["import", "-window", "root", path], env=self.env, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        print("screenshot:", path, flush=True)

    def close(self):
        self.proc.terminate()
        self.proc.wait(5)


class Node:
    """A test node on 127.0.0.1 that serves a large file at a set rate and logs requests."""

    def __init__(self, rate_bytes_per_s=2_000_000, size=50_000_000):
        self.requests = []
        self.lock = threading.Lock()
        node = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *a):
                pass

            def do_GET(self):
                with node.lock:
                    node.requests.append((time.time(), self.path, dict(self.headers.items()),
                                          self.headers.get("User-Agent")))
                self.send_response(200)
                self.send_header("Content-Type", "application/octet-stream")
                self.send_header("Content-Length", str(size))
                self.end_headers()
                chunk = b"\0" * 16384
                per_conn = rate_bytes_per_s / 20
                sent, start = 0, time.time()
                try:
                    while sent < size:
                        self.wfile.write(chunk)
                        sent += len(chunk)
                        ahead = sent / per_conn - (time.time() - start)
                        if ahead > 0:
                            time.sleep(ahead)
                except (BrokenPipeError, ConnectionResetError):
                    pass

        class Server(http.server.ThreadingHTTPServer):
            request_queue_size = 128  # twenty connections arrive at once
            daemon_threads = True

        self.server = Server(("127.0.0.1", 0), Handler)
        self.port = self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def url(self, name):
        return f"http://127.0.0.1:{self.port}/{name}"


class Program:
    """The program copied into its own folder and started from a different working folder."""

    def __init__(self, binary, display, conf=None):
        self.folder = tempfile.mkdtemp(prefix="xl-e2e-")
        self.exe = os.path.join(self.folder, "xinglan-speedtest")
        shutil.copy2(binary, self.exe)
        if conf is not None:
            with open(os.path.join(self.folder, "conf.ini"), "wb") as f:
                f.write(conf.encode("gbk"))
        self.display = display
        self.proc = subprocess.Popen([self.exe], cwd="/", env=display.env,
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT)

    def main_window(self, timeout=15):
        """Waits until the main window has finished sliding in and drifting."""
        wid, geo = self.display.window_of_size(MAIN_W, 400, timeout)
        last, stable_since = None, time.time()
        end = time.time() + timeout
        while time.time() < end:
            geo = self.display.windows().get(wid)
            if geo != last:
                last, stable_since = geo, time.time()
            elif time.time() - stable_since > 0.6:
                return wid, geo
            time.sleep(0.05)
        fail("the main window never came to rest")

    def wait_exit(self, timeout=10):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            fail("the program did not end")

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        shutil.rmtree(self.folder, ignore_errors=True)


def sections(path):
    with open(path, "rb") as f:
        return re.findall(rb"^\[(.*?)\]", f.read(), re.M)


def conf_with_nodes(node, seconds):
    lines = ["[time]", f"time={seconds}"]
    for section in ("AbroadNode", "DomesticNode"):
        lines.append(f"[{section}]")
        for n in (1, 2, 3):
            lines.append(f"URL_{n}={node.url(f'{section}-{n}.bin')}")
    return "\r\n".join(lines) + "\r\n"


def wait_for(predicate, timeout, what, detail=lambda: ""):
    end = time.time() + timeout
    while time.time() < end:
        if predicate():
            return
        time.sleep(0.05)
    fail(f"{what} {detail()}")


def scenario_start_exit(args, display):
    prog = Program(args.program, display)
    try:
        wid, (x, y, w, h) = prog.main_window()
        target = (SCREEN_W - MAIN_W) // 2 - 100
        if x != target + 190:
            fail(f"main window rests at x={x}, expected {target + 190}")
        name = display.xdotool("getwindowname", wid)
        if name != "星澜测速大师":
            fail(f"caption is {name!r}")
        display.screenshot(os.path.join(args.shots, "start.png"))
        found = sections(os.path.join(prog.folder, "conf.ini"))
        if found != [b"Official", b".", b"time", b"AbroadNode", b"DomesticNode"]:
            fail(f"conf.ini sections {found}")
        display.click(x + 199 + 40, y + 111 + 30)  # 退出
        code = prog.wait_exit(10)
        if code != 0:
            fail(f"exit code {code}")
        print("start_exit: window at", x, "caption ok, conf.ini ok, exit code 0")
    finally:
        prog.kill()


def check_requests(node, count, expect_via=False):
    with node.lock:
        reqs = list(node.requests)
    if len(reqs) != count:
        fail(f"the nodes received {len(reqs)} requests, expected {count}")
    spread = max(r[0] for r in reqs) - min(r[0] for r in reqs)
    if spread > 2.0:
        fail(f"the requests were spread over {spread:.1f} s")
    for _, path, headers, agent in reqs:
        if agent != AGENT:
            fail(f"agent {agent!r}")
        low = {k.lower(): v for k, v in headers.items()}
        if low.get("referer") != node.url(path.lstrip("/")):
            fail(f"referer {low.get('referer')!r} for {path}")
        for k, v in (("accept", "*/*"), ("accept-language", "zh-cn"),
                     ("content-type", "application/x-www-form-urlencoded")):
            if low.get(k) != v:
                fail(f"{k}: {low.get(k)!r}")
        if not path.startswith("/DomesticNode-"):
            fail(f"a domestic test fetched {path}")
        if expect_via and "via" not in low:
            fail("a request did not come through the proxy")
    print(f"{count} requests within {spread:.2f} s, headers ok")


class PositionWatch:
    """Samples a window's left edge as fast as xdotool allows, from a thread."""

    def __init__(self, display, wid):
        self.xs, self.stop = [], False
        def run():
            while not self.stop:
                out = display.xdotool("getwindowgeometry", "--shell", wid, check=False)
                m = re.search(r"^X=(-?\d+)", out, re.M)
                if m:
                    self.xs.append(int(m.group(1)))
        self.thread = threading.Thread(target=run, daemon=True)
        self.thread.start()

    def finish(self):
        self.stop = True
        self.thread.join(5)


def watch_run_and_result(args, display, prog, wid, watch, shot_prefix):
    time.sleep(1.5)
    display.screenshot(os.path.join(args.shots, f"{shot_prefix}-live.png"))
    centred = SCREEN_W // 2 - MAIN_W // 2
    # The window flies off to the right, then back in from the left to the centre.
    def flown_and_back():
        xs = list(watch.xs)
        # Out: well right of where it started; back in: from the left edge towards the centre.
        right = next((i for i, x in enumerate(xs) if x > 800), None)
        left = next((i for i, x in enumerate(xs) if right is not None and i > right and x < 400), None)
        return left is not None and xs[-1] == centred
    wait_for(flown_and_back, 20, "the window did not fly out and back in centred",
             lambda: f"(left edges seen: {sorted(set(watch.xs))})")
    watch.finish()
    time.sleep(0.7)
    display.screenshot(os.path.join(args.shots, f"{shot_prefix}-result.png"))
    if prog.proc.poll() is not None:
        fail("the program ended during the run")
    # Still responsive: the exit button still works.
    x, y = display.windows()[wid][:2]
    display.click(x + 199 + 40, y + 111 + 30)
    if prog.wait_exit(10) != 0:
        fail("bad exit code")


def scenario_measure(args, display):
    node = Node()
    prog = Program(args.program, display, conf_with_nodes(node, 5))
    try:
        wid, (x, y, w, h) = prog.main_window()
        watch = PositionWatch(display, wid)
        display.click(x + 235 + 100, y + 306 + 30)  # 本地国内测速
        wait_for(lambda: len(node.requests) >= 20, 10, "the nodes did not get 20 requests",
                 lambda: f"(got {len(node.requests)})")
        time.sleep(0.5)
        check_requests(node, 20)
        watch_run_and_result(args, display, prog, wid, watch, "measure")
        print("measure: run shown, window flew out and back centred, exit ok")
    finally:
        prog.kill()


def scenario_proxy(args, display):
    node = Node()
    port = free_port()
    tmp = tempfile.mkdtemp(prefix="xl-proxy-")
    conf = os.path.join(tmp, "tinyproxy.conf")
    with open(conf, "w") as f:
        f.write(f"Port {port}\nListen 127.0.0.1\nTimeout 60\nMaxClients 100\nAllow 127.0.0.1\n"
                f"LogLevel Error\nViaProxyName \"tinyproxy\"\n")
        if os.geteuid() == 0:
            f.write("User root\nGroup root\n")
    proxy = subprocess.Popen(["tinyproxy", "-d", "-c", conf], stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    def proxy_up():
        try:
            socket.create_connection(("127.0.0.1", port), 0.2).close()
            return True
        except OSError:
            return False
    wait_for(proxy_up, 10, "tinyproxy did not start")
    prog = Program(args.program, display, conf_with_nodes(node, 5))
    try:
        wid, (x, y, w, h) = prog.main_window()
        display.click(x + 26 + 100, y + 344 + 25)  # 代理国内测速
        pid, (px, py, pw, ph) = display.window_of_size(400, 200)
        time.sleep(0.3)
        display.screenshot(os.path.join(args.shots, "proxy-window.png"))
        # The port box: select everything and type the proxy's port.
        display.click(px + 191 + 50, py + 24 + 15)
        display.xdotool("key", "ctrl+a")
        display.xdotool("type", "--delay", "30", str(port))
        time.sleep(0.2)
        display.screenshot(os.path.join(args.shots, "proxy-typed.png"))
        watch = PositionWatch(display, wid)
        display.click(px + 62 + 100, py + 128 + 30)  # 确定
        wait_for(lambda: len(node.requests) >= 20, 10,
                 "the nodes did not get 20 requests through the proxy",
                 lambda: f"(got {len(node.requests)})")
        time.sleep(0.5)
        check_requests(node, 20, expect_via=True)
        with open(os.path.join(prog.folder, "conf.ini"), "rb") as f:
            text = f.read().decode("gbk")
        if f"port={port}" not in text or "ip=127.0.0.1" not in text:
            fail("the proxy was not saved in conf.ini")
        watch_run_and_result(args, display, prog, wid, watch, "proxy")
        print("proxy: 20 requests through tinyproxy, saved in conf.ini")
    finally:
        prog.kill()
        proxy.terminate()
        proxy.wait(5)
        shutil.rmtree(tmp, ignore_errors=True)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("scenario", choices=["start_exit", "measure", "proxy"])
    p.add_argument("--program", required=True)
    p.add_argument("--shots", default="/tmp/xl-shots")
    args = p.parse_args()
    display = Display()
    global FAILURE_SHOT
    FAILURE_SHOT = (display, os.path.join(args.shots, f"{args.scenario}-failure.png"))
    try:
        globals()["scenario_" + args.scenario](args, display)
    finally:
        display.close()
    print("passed")


if __name__ == "__main__":
    main()
