#!/usr/bin/python3
"""The board page in a real browser against the real program.

Starts 508 with the demo data, remote control and the board page on free ports, opens
the page in headless Chromium (chromedriver, python3-selenium), steps the board by
remote control and checks: every display's data-text is the state's text, a
screenshot of the page at the board's size lights the same pixels of every display as
the program's own picture (`png`), twenty viewers all paint the new frame, a page of
another origin is refused, and the control page works the console only with the
remote-control token.

    browser_test.py PATH/TO/508 DEMO_FOLDER OUT_FOLDER
"""
import http.server
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

FAILURES = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        FAILURES.append(what)


def wait_for(condition, seconds, step=0.01):
    end = time.time() + seconds
    while time.time() < end:
        value = condition()
        if value:
            return value
        time.sleep(step)
    return condition()


class Program:
    """508 with remote control and the board page on free ports, in its own folders."""

    def __init__(self, program, demo, work):
        self.config = os.path.join(work, 'config')
        os.makedirs(os.path.join(self.config, 'corvane'))
        shutil.copy(os.path.join(demo, 'demo-settings.in4'), os.path.join(self.config, 'corvane', '508.in4'))
        env = dict(os.environ, QT_QPA_PLATFORM='offscreen', SDL_AUDIODRIVER='dummy',
                   XDG_CONFIG_HOME=self.config, XDG_DATA_HOME=os.path.join(work, 'data'))
        self.data = os.path.join(work, 'data')
        self.process = subprocess.Popen([program, '--listen', '0', '--web', '0'], cwd=demo, env=env,
                                        stderr=subprocess.PIPE, text=True)
        self.remote_port = self.web = None
        err = ''
        end = time.time() + 20
        while (self.remote_port is None or self.web is None) and time.time() < end:
            line = self.process.stderr.readline()
            if not line:
                break
            err += line
            m = re.search(r'listening for remote control on .*:(\d+)$', line.strip())
            if m:
                self.remote_port = int(m.group(1))
            m = re.search(r'board page at (http://\S+)$', line.strip())
            if m:
                self.web = m.group(1)
        if self.remote_port is None or self.web is None:
            raise RuntimeError('508 did not start: ' + err)
        threading.Thread(target=self.process.stderr.read, daemon=True).start()
        with open(os.path.join(self.config, 'corvane', 'remote.token')) as f:
            self.token = f.read().strip()
        self.sock = socket.create_connection(('127.0.0.1', self.remote_port))
        self.reader = self.sock.makefile('r', encoding='utf-8')
        self.reader.readline()  # the greeting
        assert self.ask({'cmd': 'auth', 'token': self.token})['ok']

    def ask(self, request):
        self.sock.sendall((json.dumps(request, ensure_ascii=False) + '\n').encode())
        while True:
            answer = json.loads(self.reader.readline())
            if 'event' not in answer:
                return answer

    def state(self):
        return self.ask({'cmd': 'state'})['state']

    def close(self):
        self.process.kill()
        self.process.wait(5)


def browser(width, height):
    options = Options()
    options.binary_location = '/usr/bin/chromium'
    for arg in ('--headless=new', '--no-sandbox', '--disable-dev-shm-usage', '--hide-scrollbars',
                '--force-device-scale-factor=1', f'--window-size={width},{height}'):
        options.add_argument(arg)
    driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
    driver.set_script_timeout(30)
    return driver


def viewport(driver, width, height):
    driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                           {'width': width, 'height': height, 'deviceScaleFactor': 1, 'mobile': False})


def frame_of(driver):
    value = driver.execute_script('return document.body.dataset.frame || null')
    return int(value) if value else 0


def rgb(path, width, height):
    """The picture's pixels as RGB bytes, at its own size (cropped to width x height)."""
    raw = subprocess.run(['convert', path, '-alpha', 'off', '-crop', f'{width}x{height}+0+0', '+repage',
                          'rgb:-'], check=True, capture_output=True).stdout
    return raw


def lit_mask(raw, width, rect, colour):
    x0, y0, w, h = rect
    out = set()
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            i = (y * width + x) * 3
            r, g, b = raw[i], raw[i + 1], raw[i + 2]
            if abs(r - colour[0]) + abs(g - colour[1]) + abs(b - colour[2]) < 90:
                out.add((x, y))
    return out


SIGN_DOTS_JS = """
const c = document.getElementById('sign-dots');
const px = +c.dataset.dotPixels, m = +c.dataset.margin;
const [w, h] = c.dataset.dots.split('x').map(Number);
const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
const rows = [];
for (let y = 0; y < h; ++y) {
  let row = '';
  for (let x = 0; x < w; ++x) {
    const i = (Math.floor((y + m + 0.3) * px) * c.width + Math.floor((x + m + 0.3) * px)) * 4;
    row += Math.abs(d[i] - 38) + Math.abs(d[i + 1] - 38) + Math.abs(d[i + 2] - 38) > 60 ? '#' : '.';
  }
  rows.push(row);
}
const e = document.getElementById('sign');
return [rows.join('\\n'), e.dataset.lang, e.dataset.text, e.dataset.number];
"""


def check_signs(prog, drivers, out):
    """The sign pages: the front's texts and painted dots as the program shows them; the
    side and the rear drawn without their windows; an unknown sign not found."""
    import urllib.error
    import urllib.request
    try:
        urllib.request.urlopen(prog.web + 'sign/roof', timeout=5)
        check(False, '/sign/roof is not found')
    except urllib.error.HTTPError as e:
        check(e.code == 404, f'/sign/roof is not found ({e.code})')
    driver = browser(900, 240)
    drivers.append(driver)
    viewport(driver, 900, 200)
    for kind in ('side', 'rear'):
        driver.get(prog.web + 'sign/' + kind)
        shown = wait_for(lambda: driver.execute_script(
            'const e = document.getElementById("sign"); return e.dataset.sign === arguments[0] &&'
            ' e.dataset.number ? e.dataset.number : null', kind), 10)
        check(bool(shown), f'/sign/{kind} draws its sign without a window open ({shown})')
        time.sleep(0.2)
        driver.save_screenshot(os.path.join(out, f'sign-{kind}.png'))
    prog.ask({'cmd': 'sign', 'action': 'open', 'sign': 'front'})
    driver.get(prog.web + 'sign/front')
    wait_for(lambda: driver.execute_script('return document.getElementById("sign").dataset.text || null'), 10)
    seen = None

    def same():
        nonlocal seen
        program = prog.ask({'cmd': 'sign', 'action': 'dots', 'sign': 'front'}).get('output', '').strip()
        front = prog.state()['signs'].get('front', {})
        page = driver.execute_script(SIGN_DOTS_JS)
        seen = (page, front)
        return (page[0] == program and page[1] == front.get('lang') and page[2] == front.get('text') and
                page[3] == front.get('number'))
    ok = wait_for(same, 10, 0.2)
    check(ok, f'/sign/front shows the program\'s number, text, language and dots ({seen[1]}, page: {seen[0][1:]})')
    driver.save_screenshot(os.path.join(out, 'sign-front.png'))
    prog.ask({'cmd': 'sign', 'action': 'close', 'sign': 'front'})


def main():
    program_path, demo, out = sys.argv[1], sys.argv[2], sys.argv[3]
    os.makedirs(out, exist_ok=True)
    started = time.time()
    work = tempfile.mkdtemp(prefix='corvane-web-')
    prog = Program(program_path, demo, work)
    drivers = []
    other = None
    try:
        prog.ask({'cmd': 'fast', 'on': True})
        prog.ask({'cmd': 'keypad', 'keys': ['系統', '1', '2']})
        prog.ask({'cmd': 'reset', 'panel': 'keypad'})
        prog.ask({'cmd': 'next'})

        page = prog.web
        answer = prog.ask({'cmd': 'web'})
        check(answer.get('output') == page, f"corvane script's web prints the page's address ({answer})")
        driver = browser(800, 600)
        drivers.append(driver)
        driver.get(page)
        check(wait_for(lambda: frame_of(driver) > 0, 10), 'the page paints a frame')

        # Each step: the page paints the new frame, every display as the state says.
        layout = None
        for step in range(3):
            before = frame_of(driver)
            prog.ask({'cmd': 'next'})
            state = prog.state()
            texts = None

            def matches():
                nonlocal texts
                texts = driver.execute_script(
                    'return Array.from({length: 50}, (_, i) => '
                    'document.querySelector(`[data-display="${i + 1}"]`).getAttribute("data-text"))')
                return frame_of(driver) > before and texts == state['displays']
            ok = wait_for(matches, 5)
            check(ok, f'step {step + 1}: all 50 data-text are state.displays (stop {state["currentStop"]})')
            if not ok:
                for i, (a, b) in enumerate(zip(texts or [], state['displays'])):
                    if a != b:
                        print(f'  display {i + 1}: page {a!r}, state {b!r}')
            strip = driver.find_element(By.ID, 'strip').get_attribute('data-stop-name')
            check(strip == state['stopName'], f'step {step + 1}: data-stop-name is "{state["stopName"]}"')

        # The page at the board's own size against the program's picture of the board.
        layout = driver.execute_script('return window.corvaneLayout().displays.map(d => d.rect)')
        size = driver.execute_script('return document.getElementById("face").viewBox.baseVal')
        width, height = int(size['width']), int(size['height'])
        viewport(driver, width, height)
        time.sleep(0.3)
        page_png = os.path.join(out, 'page-board-size.png')
        driver.save_screenshot(page_png)
        answer = prog.ask({'cmd': 'png', 'path': 'board.png'})
        check(answer['ok'], 'png board over remote control')
        board_png = os.path.join(prog.data, 'corvane', 'remote', 'board.png')
        shutil.copy(board_png, os.path.join(out, 'program-board.png'))
        page_raw, board_raw = rgb(page_png, width, height), rgb(board_png, width, height)
        lit = driver.execute_script('return document.querySelector("[data-display] path:nth-of-type(2)")'
                                    '.getAttribute("fill")')
        colour = tuple(int(lit[i:i + 2], 16) for i in (1, 3, 5))
        worst = 0.0
        compared = 0
        for n, rect in enumerate(layout, 1):
            a = lit_mask(page_raw, width, rect, colour)
            b = lit_mask(board_raw, width, rect, colour)
            if not a and not b:
                continue
            compared += 1
            differ = len(a ^ b) / max(1, len(a | b))
            worst = max(worst, differ)
            if differ > 0.15:
                print(f'  display {n}: {len(a)} lit on the page, {len(b)} in the picture, {len(a ^ b)} differ')
        check(compared > 0 and worst <= 0.15,
              f'lit pixels of {compared} displays match the program\'s picture (worst {worst:.1%} differ)')

        # The look: a colour set in the options dialog reaches the page.
        prog.ask({'cmd': 'options', 'action': 'show'})
        prog.ask({'cmd': 'set', 'name': 'DigitLitColor', 'value': '#00FF00'})
        prog.ask({'cmd': 'ok'})
        check(wait_for(lambda: driver.execute_script(
            'return document.querySelector("[data-display] path:nth-of-type(2)").getAttribute("fill")') == '#00ff00',
            5), 'a lit colour chosen in the options dialog reaches the page')

        # Twenty viewers: the page and nineteen frames of it, all visible.
        viewport(driver, 1280, 960)
        driver.execute_script(
            'for (let i = 0; i < 19; ++i) { const f = document.createElement("iframe"); f.src = "/";'
            ' f.style = "position:fixed;width:240px;height:120px;z-index:9;left:" + (i % 5) * 250 + "px;top:" +'
            ' (500 + Math.floor(i / 5) * 125) + "px"; document.body.appendChild(f); }')
        frames_ready = ('return Array.from(document.querySelectorAll("iframe")).every(f => f.contentDocument &&'
                        ' f.contentDocument.body && f.contentDocument.body.dataset.frame)')
        check(wait_for(lambda: driver.execute_script(frames_ready), 15), 'nineteen more viewers paint')
        latencies = []
        for step in range(5):
            sent = time.time() * 1000
            prog.ask({'cmd': 'next' if step % 2 == 0 else 'back'})
            state = prog.state()
            script = ('const docs = [document].concat(Array.from(document.querySelectorAll("iframe"),'
                      ' f => f.contentDocument)); const seqs = docs.map(d => +d.body.dataset.frame);'
                      ' const texts = docs.map(d => d.querySelector("[data-display=\\"1\\"]")'
                      '.getAttribute("data-text")); const wins = [window].concat(Array.from('
                      'document.querySelectorAll("iframe"), f => f.contentWindow));'
                      ' return {seqs, texts, paints: wins.map((w, i) => w.corvanePaints[seqs[i]])};')
            seen = wait_for(lambda: (lambda r: r if len(set(r['seqs'])) == 1 and
                                     all(t == state['displays'][0] for t in r['texts']) and
                                     r['seqs'][0] > 0 else None)(driver.execute_script(script)), 5)
            if seen:
                latencies += [p - sent for p in seen['paints']]
            check(bool(seen), f'20 viewers: step {step + 1} painted by all')
        if latencies:
            latencies.sort()
            p95 = latencies[int(len(latencies) * 0.95) - 1]
            print(f'  20 viewers: step -> painted p95 {p95:.0f} ms, worst {latencies[-1]:.0f} ms')
        driver.save_screenshot(os.path.join(out, 'twenty-viewers.png'))

        # A page of another origin: its WebSocket to /live is refused before the upgrade.
        folder = tempfile.mkdtemp(dir=work)
        with open(os.path.join(folder, 'index.html'), 'w') as f:
            f.write('<!doctype html><script>window.result = {messages: 0, code: null};'
                    f'const ws = new WebSocket("{page.replace("http", "ws")}live");'
                    'ws.onmessage = () => ++window.result.messages;'
                    'ws.onclose = e => window.result.code = e.code;</script>')
        handler = lambda *a, **k: http.server.SimpleHTTPRequestHandler(*a, directory=folder, **k)
        other = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
        threading.Thread(target=other.serve_forever, daemon=True).start()
        driver.get(f'http://127.0.0.1:{other.server_address[1]}/')
        result = wait_for(lambda: (lambda r: r if r and r['code'] is not None else None)(
            driver.execute_script('return window.result')), 5)
        check(bool(result) and result['messages'] == 0 and result['code'] in (1006, 1008),
              f'another origin is refused ({result})')

        # The control page: nothing but the token form, and a command without the token is
        # refused and closes the socket.
        driver.get(page + 'control')
        check(wait_for(lambda: frame_of(driver) > 0, 10), 'the control page paints the board')
        console_hidden = driver.execute_script('return document.getElementById("console").hidden')
        check(console_hidden, 'the control page shows no buttons without the token')
        before = prog.state()['currentStop']
        driver.execute_script('window.corvaneSend({cmd: "next"})')
        refused = wait_for(lambda: driver.execute_script(
            'return window.corvaneRefusal() && !window.corvaneSocketOpen()'), 5)
        check(bool(refused) and prog.state()['currentStop'] == before,
              'a command without the token is refused, the socket closed, nothing run')
        # With the token: the buttons, and データ送り steps the board.
        driver.find_element(By.ID, 'token').send_keys(prog.token)
        driver.find_element(By.CSS_SELECTOR, '#token-form button').click()
        check(wait_for(lambda: not driver.execute_script('return document.getElementById("console").hidden'), 5),
              'the token shows the console buttons')
        driver.find_element(By.CSS_SELECTOR, '#console button.main').click()
        check(wait_for(lambda: prog.state()['currentStop'] == before + 1, 5), 'データ送り on the page steps the board')
        # The console's check boxes and locked buttons show on the page.
        prog.ask({'cmd': 'clear', 'on': True})
        locked = prog.state()['buttons']
        shown = wait_for(lambda: driver.execute_script(
            'const q = s => document.querySelector(s); return q("[data-check=clear]").checked &&'
            ' q("#console button.main").disabled === !arguments[0]', locked['next']), 5)
        check(bool(shown), f'表示消去 on the console shows on the page (next enabled: {locked["next"]})')
        prog.ask({'cmd': 'clear', 'on': False})
        viewport(driver, 800, 600)
        time.sleep(0.3)
        driver.save_screenshot(os.path.join(out, 'control.png'))

        check_signs(prog, drivers, out)
    finally:
        for d in drivers:
            d.quit()
        if other:
            other.shutdown()
        prog.close()
        shutil.rmtree(work, ignore_errors=True)
    print(f'{len(FAILURES)} failed, {time.time() - started:.1f} s; screenshots in {out}')
    return 1 if FAILURES else 0


if __name__ == '__main__':
    sys.exit(main())
