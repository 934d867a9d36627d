// A destination sign (front, side or rear) as the program shows it. The page reads the
// board's frames over the WebSocket /live and draws the sign from their "signs" part:
// each sign's parts (the number box, the number's dots, each line of text's dots) in
// each language, laid out by the program. It switches language and scrolls long texts
// itself, on the program's clock and with its rules, drawing on a canvas of dots that
// fills the window.
(() => {
  'use strict';

  const kind = location.pathname.split('/').pop();
  const signEl = document.getElementById('sign');
  const canvas = document.getElementById('sign-dots');
  const statusEl = document.getElementById('status');
  const MARGIN = 2; // dots of dark around the matrix, as the program's window has
  const INKS = ['unlit', 'text', 'frame', 'fill', 'number'];
  signEl.dataset.sign = kind;
  window.corvanePaints = {};

  let signs = null;    // the frame's signs part last taken
  let sign = null;     // this sign: {w, h, langs: {ja: {...}, en: {...}}}
  let clockOffset = null; // the program's clock minus this one, ms (null: not known)
  let shown = null;    // the dots on the canvas (an ink index for each), null: none
  let dotPx = 0;       // device pixels of one dot

  // A grid of dots from the program's hexadecimal rows (the leftmost dot the highest
  // bit of its row's first digit).
  function litRows(rows, w, h) {
    const per = Math.ceil(w / 4);
    const out = new Uint8Array(w * h);
    for (let y = 0; y < h; ++y) {
      for (let d = 0; d < per; ++d) {
        const v = parseInt(rows[y * per + d], 16);
        if (!v) continue;
        for (let b = 0; b < 4; ++b) {
          const x = d * 4 + b;
          if (x < w && (v >> (3 - b)) & 1) out[y * w + x] = 1;
        }
      }
    }
    return out;
  }

  // Sets the lit dots of `part` (w x h at left, top) to `ink`, cut to `clip` [x, y, w, h].
  function put(grid, w, h, part, left, top, clip, ink) {
    const x0 = Math.max(left, clip[0], 0), x1 = Math.min(left + part.w, clip[0] + clip[2], w);
    const y0 = Math.max(top, clip[1], 0), y1 = Math.min(top + part.h, clip[1] + clip[3], h);
    for (let y = y0; y < y1; ++y)
      for (let x = x0; x < x1; ++x)
        if (part.dots[(y - top) * part.w + (x - left)]) grid[y * w + x] = ink;
  }

  // One language of the sign: what stands still, drawn once, and the lines that scroll.
  function prepare(l, w, h) {
    const still = new Uint8Array(w * h);
    if (l.box) {
      const [bx, by, bw, bh] = l.box;
      for (let y = by; y < by + bh; ++y) {
        for (let x = bx; x < bx + bw; ++x) {
          const edge = y === by || y === by + bh - 1 || x === bx || x === bx + bw - 1;
          if (x >= 0 && x < w && y >= 0 && y < h) still[y * w + x] = edge ? 2 : (l.filled ? 3 : 0);
        }
      }
      const n = l.number;
      const part = {w: n.size[0], h: n.size[1], dots: litRows(n.rows, n.size[0], n.size[1])};
      put(still, w, h, part, n.at[0], n.at[1], [bx + 1, by + 1, bw - 2, bh - 2], 4);
    }
    const moving = [];
    for (const line of l.lines) {
      const [lw, lh] = line.size;
      const part = {w: lw, h: lh, dots: litRows(line.rows, lw, lh), area: line.area};
      if (lw > line.area[2]) {
        moving.push(part);
      } else {
        put(still, w, h, part, line.area[0] + Math.trunc((line.area[2] - lw) / 2), line.area[1], line.area, 1);
      }
    }
    return {text: l.text, still, moving};
  }

  function take(frame) {
    const s = frame.signs;
    // The least delayed frame tells the program's clock best.
    clockOffset = Math.max(clockOffset === null ? -Infinity : clockOffset, frame.sent - frame.receivedAt);
    if (!s || !s[kind]) return;
    const keep = signs && JSON.stringify(signs[kind]) === JSON.stringify(s[kind]);
    if (!signs || JSON.stringify(signs.inks) !== JSON.stringify(s.inks)) shown = null;
    signs = s;
    if (!keep) {
      const [w, h] = s[kind].size;
      const langs = {ja: prepare(s[kind].ja, w, h)};
      if (s[kind].en) langs.en = prepare(s[kind].en, w, h);
      sign = {w, h, langs};
      shown = null;
    }
    signEl.dataset.number = s.number;
    window.corvanePaints[frame.seq] = Date.now();
    document.body.dataset.frame = String(frame.seq);
  }

  // The language shown at program time `t` and since when: Japanese, then English,
  // each for its time, from the clock's start.
  function langAt(t) {
    const ja = Math.max(1, signs.ja), en = signs.en;
    if (!en || !sign.langs.en || t < signs.start) return {lang: 'ja', since: signs.start};
    const cycle = ja + en;
    const k = Math.floor((t - signs.start) / cycle);
    const begin = signs.start + k * cycle;
    return t - begin < ja ? {lang: 'ja', since: begin} : {lang: 'en', since: begin + ja};
  }

  // A scrolling text's left edge from its area's left, `elapsed` ms after its language
  // came: a pause right of the area, then speed / 400 dots a millisecond to the left
  // until the text and a further area's width have passed, then the pause again.
  function offsetAt(part, elapsed) {
    const areaW = part.area[2];
    const speed = Math.max(1, signs.speed), pause = Math.max(0, signs.pause);
    const run = elapsed - pause;
    if (run < 0) return areaW;
    // In the strip's pixels, two to a dot: from 2 areas right to 2 areas + the text left.
    const passes = Math.ceil((4 * areaW + 2 * part.w) * 200 / speed);
    const r = run % (passes + pause);
    if (r >= passes) return areaW;
    return Math.floor((2 * areaW - Math.floor(r) * speed / 200) / 2);
  }

  // The dots as large as the window allows, keeping the sign's proportions; each dot's
  // edges on whole device pixels, so the dots stay sharp at any size.
  function fit() {
    const dpr = window.devicePixelRatio || 1;
    const cols = sign.w + 2 * MARGIN, rows = sign.h + 2 * MARGIN;
    const px = Math.max(1, Math.min(window.innerWidth / cols, window.innerHeight / rows) * dpr);
    const cw = Math.round(cols * px), ch = Math.round(rows * px);
    if (px !== dotPx || canvas.width !== cw || canvas.height !== ch) {
      dotPx = px;
      canvas.width = cw;
      canvas.height = ch;
      canvas.style.width = `${cw / dpr}px`;
      canvas.style.height = `${ch / dpr}px`;
      canvas.dataset.dotPixels = String(px);
      canvas.dataset.margin = String(MARGIN);
      canvas.dataset.dots = `${sign.w}x${sign.h}`;
      shown = null;
    }
  }

  // Each dot a square with a gap of dark to its right and below; only the dots that
  // changed are drawn again.
  function draw(grid) {
    fit();
    const g = canvas.getContext('2d');
    const inks = signs.inks;
    if (!shown) {
      g.fillStyle = inks.back;
      g.fillRect(0, 0, canvas.width, canvas.height);
    }
    const gap = dotPx >= 3 ? Math.max(1, Math.round(dotPx / 5)) : 0;
    const edge = v => Math.round(v * dotPx);
    const colours = INKS.map(i => inks[i]);
    for (let y = 0; y < sign.h; ++y) {
      const y0 = edge(y + MARGIN), y1 = edge(y + MARGIN + 1) - gap;
      for (let x = 0; x < sign.w; ++x) {
        const i = y * sign.w + x;
        if (shown && shown[i] === grid[i]) continue;
        const x0 = edge(x + MARGIN);
        g.fillStyle = colours[grid[i]];
        g.fillRect(x0, y0, edge(x + MARGIN + 1) - gap - x0, y1 - y0);
      }
    }
    shown = grid;
  }

  let frameRequested = false;
  let wakeTimer = null;
  function paint() {
    frameRequested = false;
    if (!sign) return;
    const t = Date.now() + clockOffset;
    const {lang, since} = langAt(t);
    const l = sign.langs[lang];
    let grid = l.still;
    let moving = false;
    if (l.moving.length) {
      grid = l.still.slice();
      for (const part of l.moving) {
        const offset = offsetAt(part, t - since);
        moving = moving || t - since >= signs.pause;
        put(grid, sign.w, sign.h, part, part.area[0] + offset, part.area[1], part.area, 1);
      }
    }
    if (!shown || grid !== shown) draw(grid);
    if (signEl.dataset.lang !== lang || signEl.dataset.text !== l.text) {
      signEl.dataset.lang = lang;
      signEl.dataset.text = l.text;
    }
    // Animation frames only while a text moves; otherwise a timer to the next change.
    clearTimeout(wakeTimer);
    if (moving || l.moving.length) {
      const wait = moving ? 0 : Math.max(0, since + signs.pause - t - 20);
      if (wait > 0) wakeTimer = setTimeout(request, wait);
      else request();
    } else if (signs.en && sign.langs.en) {
      const cycle = Math.max(1, signs.ja) + signs.en;
      const k = Math.floor((t - signs.start) / cycle);
      const next = lang === 'ja' ? signs.start + k * cycle + Math.max(1, signs.ja) : signs.start + (k + 1) * cycle;
      wakeTimer = setTimeout(request, Math.max(0, next - t));
    }
  }
  function request() {
    if (!frameRequested) {
      frameRequested = true;
      // A hidden page gets no animation frames: it keeps its texts and language up to
      // date once a second.
      if (document.hidden) setTimeout(paint, 1000);
      else requestAnimationFrame(paint);
    }
  }
  window.addEventListener('resize', () => {
    shown = null;
    request();
  });
  document.addEventListener('visibilitychange', request);

  function showStatus(text) {
    statusEl.hidden = !text;
    statusEl.textContent = text || '';
  }

  function connect() {
    const ws = new WebSocket(`${location.protocol === 'https:' ? 'wss' : 'ws'}://${location.host}/live`);
    ws.onopen = () => {
      showStatus('');
      clockOffset = null;
    };
    ws.onmessage = ev => {
      let m;
      try {
        m = JSON.parse(ev.data);
      } catch (e) {
        return;
      }
      if (m.type !== 'frame') return;
      // When the message came, not when the page got round to it.
      m.receivedAt = ev.timeStamp > 0 ? performance.timeOrigin + ev.timeStamp : Date.now();
      take(m);
      paint();
    };
    ws.onclose = ev => {
      showStatus(ev.code === 1008 ? `接続が拒否されました (${ev.reason || 'refused'})`
                                  : '接続が切れました。再接続しています…');
      if (ev.code !== 1008) setTimeout(connect, 1000);
    };
  }
  connect();
})();
