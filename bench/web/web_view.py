#!/usr/bin/python3
"""The board page's goals, measured with the real 508 and headless Chromium.

    web_view.py PATH/TO/508 DEMO_FOLDER

Prints "measure:" lines for scripts/bench:
  web_paint_p95_ms      a `next` over remote control until painted, 95th percentile over
                        every viewer of 20 (the page and 19 frames of it) and 30 steps
  web_stall_stale       after a 10 s stall of a viewer (its script busy, frames arriving
                        meanwhile), 1 when its first paint is not the newest frame, else 0
  web_stall_newest_ms   from the stall's end until the newest frame is painted
  web_idle_bytes_per_s  what an idle viewer is sent per second over 10 s
  web_strip_fps         the page's moves of a scrolling stop name per second
  web_strip_frame_ms    the time between two of them (below 17.24 ms is 58 a second or more)
"""
import os
import socket
import sys
import tempfile
import threading
import time
import base64

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'tests', 'web'))
import browser_test as bt  # noqa: E402


def measure(name, value, runs=None):
    if runs:
        runs = sorted(runs)
        print(f'measure: {name} {value:.1f} n={len(runs)} median={runs[len(runs) // 2]:.1f} worst={runs[-1]:.1f}',
              flush=True)
    else:
        print(f'measure: {name} {value:.1f}', flush=True)


def step_latency(prog, driver):
    driver.execute_script(
        'for (let i = 0; i < 19; ++i) { const f = document.createElement("iframe"); f.src = "/";'
        ' f.style = "width:240px;height:120px"; document.body.appendChild(f); }')
    ready = ('return Array.from(document.querySelectorAll("iframe")).every(f => f.contentDocument &&'
             ' f.contentDocument.body && f.contentDocument.body.dataset.frame)')
    bt.wait_for(lambda: driver.execute_script(ready), 20)
    time.sleep(2)
    paints = ('const w = [window].concat(Array.from(document.querySelectorAll("iframe"), f => f.contentWindow));'
              ' return w.map(x => x.corvanePaints[arguments[0]] || null)')
    latencies = []
    for step in range(30):
        before = bt.frame_of(driver)
        sent = time.time() * 1000
        prog.ask({'cmd': 'next' if step % 2 == 0 else 'back'})
        # Not asked while it paints: the browser is left alone until the step is over.
        time.sleep(0.4)
        seq = bt.frame_of(driver)
        if seq <= before:
            bt.wait_for(lambda: bt.frame_of(driver) > before, 5)
            seq = bt.frame_of(driver)
        got = driver.execute_script(paints, seq)
        latencies += [p - sent if p else 5000.0 for p in got]
    latencies.sort()
    return latencies[int(len(latencies) * 0.95) - 1], latencies


def stall(prog, driver):
    driver.get(prog.web)
    bt.wait_for(lambda: bt.frame_of(driver) > 0, 10)
    time.sleep(1)
    # The page's script is busy for 10 s (the call returns when it is done); the board
    # steps meanwhile.
    busy = threading.Thread(target=driver.execute_script, args=(
        'const end = Date.now() + 10000; while (Date.now() < end) {} window.stallEnded = Date.now();',))
    busy.start()
    time.sleep(0.5)
    for step in range(18):
        prog.ask({'cmd': 'next' if step % 2 == 0 else 'back'})
        time.sleep(0.45)
    busy.join()
    time.sleep(1.5)
    end = driver.execute_script('return window.stallEnded')
    paints = driver.execute_script('return window.corvanePaints')
    newest = driver.execute_script('return window.corvaneReceived()')
    after = sorted((t, int(s)) for s, t in paints.items() if t >= end)
    if not after:
        return None, None
    stale = 0 if after[0][1] == newest else 1
    newest_at = min(t for t, s in after if s == newest)
    return stale, newest_at - end


def idle_bytes(prog, seconds=10):
    host, port = prog.web[len('http://'):].rstrip('/').rsplit(':', 1)
    s = socket.create_connection((host, int(port)))
    key = base64.b64encode(os.urandom(16)).decode()
    s.sendall((f'GET /live HTTP/1.1\r\nHost: {host}:{port}\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n'
               f'Sec-WebSocket-Key: {key}\r\nSec-WebSocket-Version: 13\r\nOrigin: http://{host}:{port}\r\n\r\n')
              .encode())
    s.settimeout(0.2)
    # The layout and the first frame, then nothing should come.
    end = time.time() + 2
    while time.time() < end:
        try:
            s.recv(1 << 20)
        except socket.timeout:
            pass
    total = 0
    end = time.time() + seconds
    while time.time() < end:
        try:
            total += len(s.recv(1 << 20))
        except socket.timeout:
            pass
    s.close()
    return total / seconds


def strip_fps(prog, driver):
    bt.viewport(driver, 1920, 1080)
    prog.ask({'cmd': 'scroll', 'speed': '100', 'wait': '0'})
    prog.ask({'cmd': 'chimei', 'name': '椿原市役所前経由中央公民館前行き椿原市役所前経由中央公民館前行き'})
    time.sleep(1.5)
    first = driver.execute_script('return window.corvaneStripFrames()')
    time.sleep(5)
    last = driver.execute_script('return window.corvaneStripFrames()')
    return (last - first) / 5


def main():
    program, demo = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix='corvane-bench-web-')
    prog = bt.Program(program, demo, work)
    driver = None
    try:
        prog.ask({'cmd': 'fast', 'on': True})
        prog.ask({'cmd': 'keypad', 'keys': ['系統', '1', '2']})
        prog.ask({'cmd': 'reset', 'panel': 'keypad'})
        driver = bt.browser(1280, 960)
        driver.get(prog.web)
        bt.wait_for(lambda: bt.frame_of(driver) > 0, 10)
        p95, runs = step_latency(prog, driver)
        measure('web_paint_p95_ms', p95, runs)
        stale, newest_ms = stall(prog, driver)
        if stale is not None:
            measure('web_stall_stale', stale)
            measure('web_stall_newest_ms', newest_ms)
        measure('web_idle_bytes_per_s', idle_bytes(prog))
        fps = strip_fps(prog, driver)
        measure('web_strip_fps', fps)
        if fps > 0:
            measure('web_strip_frame_ms', 1000 / fps)
    finally:
        if driver:
            driver.quit()
        prog.close()


if __name__ == '__main__':
    main()
