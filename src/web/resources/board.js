// The fare board in a web browser: the program sends the layout once and a frame for
// each change over the WebSocket /live; the page draws each frame as it comes (a page
// that was held up takes what waited and draws only the newest), runs the clock and
// scrolls the stop-name strip itself, at the board's speed and pause.
'use strict';
(() => {
  const SVG = 'http://www.w3.org/2000/svg';
  const controlPage = location.pathname === '/control';
  const face = document.getElementById('face');
  const boardEl = document.getElementById('board');
  const stage = document.getElementById('stage');
  const stripEl = document.getElementById('strip');
  const stripView = document.getElementById('strip-view');
  const dots = document.getElementById('strip-dots');
  const statusEl = document.getElementById('status');
  const panelEl = document.getElementById('panel');

  // For measuring: sequence number -> Date.now() when painted.
  window.corvanePaints = {};
  // For measuring: sequence number -> [the program's send time, arrival].
  window.corvaneArrivals = {};
  let stripFrames = 0;
  window.corvaneStripFrames = () => stripFrames;
  // The newest frame received, painted or not.
  window.corvaneReceived = () => (latest ? latest.seq : 0);
  // The layout as the program sent it (where each display stands, in board pixels).
  window.corvaneLayout = () => layout;

  let layout = null;
  let latest = null;  // the newest frame received
  let painted = null; // the frame last painted
  let built = null;   // the drawn board's elements, for `layout`
  let scale = 1;
  let socket = null;
  let authenticated = false;
  let refused = null;
  window.corvaneRefusal = () => refused;
  window.corvaneSocketOpen = () => socket !== null && socket.readyState === WebSocket.OPEN;

  const el = (name, attrs, parent) => {
    const e = document.createElementNS(SVG, name);
    for (const [k, v] of Object.entries(attrs || {})) e.setAttribute(k, v);
    if (parent) parent.appendChild(e);
    return e;
  };

  // ---- the board's elements, from the layout ----

  // Each display is an SVG of its own: a step redraws the displays it changed, never the
  // whole board.
  const displayLayer = document.createElement('div');
  displayLayer.id = 'displays';
  boardEl.insertBefore(displayLayer, stripEl);

  function buildDigits(d) {
    const g = el('svg', {viewBox: `0 0 ${d.rect[2]} ${d.rect[3]}`, preserveAspectRatio: 'none'}, displayLayer);
    g.classList.add('digits');
    g.rect = d.rect;
    const back = el('rect', {width: d.rect[2], height: d.rect[3]}, g);
    const glyphs = layout.glyphSets[d.glyphs] || {};
    const unlit = [], lit = [];
    for (let i = 0; i < d.places; ++i) {
      const x = i * (d.place[0] + d.gap);
      unlit.push(el('path', {d: glyphs['8'] || '', transform: `translate(${x} 0)`}, g));
      lit.push(el('path', {d: '', transform: `translate(${x} 0)`}, g));
    }
    return {g, back, unlit, lit, glyphs, text: null, colours: null};
  }

  // Only what changed is touched: a step changes a few places of a few displays.
  function setDigits(digits, text, colours) {
    const key = `${colours.back} ${colours.unlit} ${colours.lit}`;
    if (digits.colours !== key) {
      digits.back.setAttribute('fill', colours.back);
      for (const p of digits.unlit) p.setAttribute('fill', colours.unlit);
      for (const p of digits.lit) p.setAttribute('fill', colours.lit);
      digits.colours = key;
    }
    for (let i = 0; i < digits.lit.length; ++i) {
      const c = text[i] || ' ';
      if (digits.text !== null && (digits.text[i] || ' ') === c) continue;
      digits.lit[i].setAttribute('d', c === ' ' ? '' : (digits.glyphs[c] || ''));
    }
    digits.text = text;
  }

  function build() {
    face.textContent = '';
    displayLayer.textContent = '';
    const [w, h] = layout.size;
    face.setAttribute('viewBox', `0 0 ${w} ${h}`);
    const displays = layout.displays.map((d, i) => {
      const digits = buildDigits(d);
      digits.g.setAttribute('data-display', String(i + 1));
      return digits;
    });
    const clock = layout.clock.map(d => buildDigits(d));
    // Centred at the top of their place, as the board's labels are: the baseline one
    // ascent (0.88 of the size in the IPA faces) below the top.
    const labels = layout.labels.map(l => {
      const size = l.points * 96 / 72;
      return el('text', {
        x: l.rect[0] + l.rect[2] / 2, y: (l.rect[1] + size * 0.88).toFixed(2), 'text-anchor': 'middle',
        'font-size': size.toFixed(2), 'font-weight': l.bold ? 'bold' : 'normal',
      }, face);
    });
    // The strip's frame with its sunken edge; the dots lie on a canvas above the picture.
    const s = layout.strip;
    const frame = el('g', {transform: `translate(${s[0]} ${s[1]})`}, face);
    const stripBack = el('rect', {width: s[2], height: s[3]}, frame);
    const v = layout.stripViewport;
    if (v[0] > 0) {
      const line = (x1, y1, x2, y2, c) =>
        el('line', {x1, y1, x2, y2, stroke: c, 'stroke-width': 1, 'shape-rendering': 'crispEdges'}, frame);
      const r = [0.5, 0.5, s[2] - 0.5, s[3] - 0.5];
      line(r[0], r[1], r[2], r[1], '#a0a0a0'); line(r[0], r[1], r[0], r[3], '#a0a0a0');
      line(r[0], r[3], r[2], r[3], '#ffffff'); line(r[2], r[1], r[2], r[3], '#ffffff');
      line(r[0] + 1, r[1] + 1, r[2] - 1, r[1] + 1, '#696969'); line(r[0] + 1, r[1] + 1, r[0] + 1, r[3] - 1, '#696969');
      line(r[0] + 1, r[3] - 1, r[2] - 1, r[3] - 1, '#e3e3e3'); line(r[2] - 1, r[1] + 1, r[2] - 1, r[3] - 1, '#e3e3e3');
    }
    built = {displays, clock, labels, stripBack, panelSrc: null};
    place();
  }

  // The board as large as the window allows, centred; the strip's canvas at the
  // device's pixels.
  function place() {
    if (!layout) return;
    const [w, h] = layout.size;
    const area = stage.getBoundingClientRect();
    scale = Math.max(0.1, Math.min(area.width / w, area.height / h));
    boardEl.style.width = `${w * scale}px`;
    boardEl.style.height = `${h * scale}px`;
    boardEl.style.left = `${Math.floor((area.width - w * scale) / 2)}px`;
    boardEl.style.top = `${Math.floor((area.height - h * scale) / 2)}px`;
    if (built) {
      for (const d of built.displays.concat(built.clock)) {
        const r = d.g.rect;
        Object.assign(d.g.style, {
          left: `${r[0] * scale}px`, top: `${r[1] * scale}px`, width: `${r[2] * scale}px`, height: `${r[3] * scale}px`,
        });
      }
    }
    const s = layout.strip, v = layout.stripViewport;
    Object.assign(stripEl.style, {
      left: `${s[0] * scale}px`, top: `${s[1] * scale}px`, width: `${s[2] * scale}px`, height: `${s[3] * scale}px`,
    });
    Object.assign(stripView.style, {
      left: `${v[0] * scale}px`, top: `${v[1] * scale}px`, width: `${v[2] * scale}px`, height: `${v[3] * scale}px`,
    });
    if (panelEl.naturalWidth) {
      panelEl.style.width = `${panelEl.naturalWidth * scale}px`;
      panelEl.style.height = `${panelEl.naturalHeight * scale}px`;
    }
    if (painted) drawDots(painted);
  }

  // ---- the stop-name strip ----

  let stripShown = null; // {serial, rows...} last drawn
  let motion = null;     // the running scroll, as the board runs it

  function drawDots(frame) {
    const st = frame.strip;
    const dpr = window.devicePixelRatio || 1;
    // Very long names are drawn at a lower resolution rather than not at all.
    const px = Math.max(1, Math.min(scale * dpr, 16000 / Math.max(1, st.height)));
    const width = 37;
    // A canvas of the same size is drawn over, not made anew.
    const cw = Math.ceil(width * px), ch = Math.ceil(st.height * px);
    if (dots.width !== cw) dots.width = cw;
    if (dots.height !== ch) dots.height = ch;
    dots.style.width = `${dots.width / px * scale}px`;
    dots.style.height = `${dots.height / px * scale}px`;
    const g = dots.getContext('2d');
    g.fillStyle = st.back;
    g.fillRect(0, 0, dots.width, dots.height);
    const mix = (a, b) => {
      const n = s => [1, 3, 5].map(i => parseInt(s.substr(i, 2), 16));
      const [x, y] = [n(a), n(b)];
      return `rgb(${x.map((c, i) => Math.floor((c * 9 + y[i]) / 10)).join(',')})`;
    };
    const unlit = st.glow ? mix(st.back, st.fore) : null;
    const edge = v => Math.round(v * px);
    for (let y = 0; y < st.height; ++y) {
      const bits = parseInt(st.rows.substr(y * 10, 10), 16) || 0;
      if (!bits && !unlit) continue;
      for (let x = 0; x < width; ++x) {
        const on = Math.floor(bits / 2 ** x) % 2 === 1;
        if (!on && !unlit) continue;
        g.fillStyle = on ? st.fore : unlit;
        const x0 = edge(x), y0 = edge(y), x1 = edge(x + 1), y1 = edge(y + 1);
        if (st.roundDots) {
          g.beginPath();
          g.ellipse((x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2, 0, 0, 2 * Math.PI);
          g.fill();
        } else {
          g.fillRect(x0, y0, x1 - x0, y1 - y0);
        }
      }
    }
  }

  // The board's scroll: a pause with the strip below the frame, then it rises
  // speed / 200 pixels a millisecond until its bottom edge is a frame's height above
  // the frame, then back below it and the pause again.
  function startMotion(frame, now) {
    const st = frame.strip;
    const frameHeight = layout.strip[3];
    motion = st.scrolls ? {
      speed: st.speed, wait: Math.max(0, st.wait), stripHeight: st.height, frameHeight,
      pausedUntil: now + Math.max(0, st.wait), origin: 0, top: frameHeight,
    } : null;
  }

  function stripTop(now) {
    if (!motion) return 0;
    const m = motion;
    if (now < m.pausedUntil) return m.frameHeight;
    if (m.speed === 0) m.speed = 1;
    for (;;) {
      const passes = Math.floor(now - m.pausedUntil);
      const top = m.frameHeight - passes * m.speed / 200;
      if (top + m.stripHeight > -m.frameHeight || m.speed < 0) return top;
      // Left the frame: the pass it left at, then the pause.
      const leftAfter = Math.ceil((m.frameHeight + m.stripHeight + m.frameHeight) * 200 / m.speed);
      m.pausedUntil += leftAfter + m.wait;
      if (now < m.pausedUntil) return m.frameHeight;
    }
  }

  function moveStrip(now) {
    const top = stripTop(now);
    const dpr = window.devicePixelRatio || 1;
    const y = Math.round(top * scale * dpr) / dpr;
    const t = `translate3d(0, ${y}px, 0)`;
    if (dots.style.transform !== t) {
      dots.style.transform = t;
      ++stripFrames;
    }
  }

  // ---- the clock ----

  let clockOffset = 0; // the program's clock minus this one, ms
  let clockFill = [true, true];

  function clockTexts(frame) {
    if (!frame.clock.shown) return ['  ', '  '];
    const t = new Date(Date.now() + clockOffset + frame.clock.utcOffset * 60000);
    const two = (n, fill) => (n < 10 ? (fill ? '0' : ' ') : '') + String(n);
    return [two(t.getUTCHours(), clockFill[0]), two(t.getUTCMinutes(), clockFill[1])];
  }

  // ---- painting ----

  function paint(frame) {
    const started = performance.now();
    if (!built) build();
    const look = frame.look;
    const colours = {back: look.digitBack, unlit: look.digitUnlit, lit: look.digitLit};
    frame.displays.forEach((text, i) => {
      const d = built.displays[i];
      if (!d || (d.text === text && d.colours === `${colours.back} ${colours.unlit} ${colours.lit}`)) return;
      setDigits(d, text, colours);
      d.g.setAttribute('data-text', text);
    });
    frame.labels.forEach((l, i) => {
      const t = built.labels[i];
      const key = `${l.text} ${l.color} ${l.visible}`;
      if (!t || t.shown === key) return;
      t.shown = key;
      t.textContent = l.text;
      t.setAttribute('fill', l.color);
      t.setAttribute('visibility', l.visible ? 'visible' : 'hidden');
    });
    if (look.panel && look.panel !== built.panelSrc) {
      built.panelSrc = look.panel;
      panelEl.onload = place;
      panelEl.src = look.panel;
    }
    built.stripBack.setAttribute('fill', frame.strip.back);
    stripEl.dataset.stopName = frame.stopName;
    const st = frame.strip;
    if (!stripShown || stripShown.serial !== frame.stopNameSerial || stripShown.rows !== st.rows ||
        stripShown.back !== st.back || stripShown.fore !== st.fore || stripShown.roundDots !== st.roundDots ||
        stripShown.glow !== st.glow) {
      const restart = !stripShown || stripShown.serial !== frame.stopNameSerial || stripShown.rows !== st.rows;
      drawDots(frame);
      if (restart) startMotion(frame, performance.now());
      stripShown = {serial: frame.stopNameSerial, rows: st.rows, back: st.back, fore: st.fore,
        roundDots: st.roundDots, glow: st.glow};
    }
    if (motion) {
      motion.speed = st.speed;
      motion.wait = Math.max(0, st.wait);
    }
    clockOffset = frame.sent - frame.receivedAt;
    frame.clock.places.forEach((p, i) => {
      if (p[0] === '0') clockFill[i] = true;
      else if (p[0] === ' ' && p[1] !== ' ') clockFill[i] = false;
    });
    if (controlPage && frame.console) showConsoleState(frame.console);
    painted = frame;
    paintClock(frame);
    window.corvanePaints[frame.seq] = Date.now();
    window.corvanePaintMs = performance.now() - started;
    document.body.dataset.frame = String(frame.seq);
  }

  function paintClock(frame) {
    const look = frame.look;
    const colours = {back: look.digitBack, unlit: look.digitUnlit, lit: look.digitLit};
    const texts = clockTexts(frame);
    built.clock.forEach((d, i) => {
      const visibility = frame.clock.visible ? 'visible' : 'hidden';
      if (d.visibility !== visibility) {
        d.visibility = visibility;
        d.g.setAttribute('visibility', visibility);
      }
      setDigits(d, texts[i], colours);
    });
  }

  // Animation frames only while something moves: a new frame to paint, or the strip
  // rising. A pause or a name that stands still waits on a timer; the clock has its own.
  let frameRequested = false;
  let wakeTimer = null;
  let quickest = Infinity; // the shortest time a frame took to arrive, ms
  let catchingUp = false;
  let catchUpTimer = null;
  function tick(now) {
    frameRequested = false;
    if (layout && latest && latest !== painted && !catchingUp) paint(latest);
    if (!painted) return;
    moveStrip(now);
    if (!motion) return;
    const pausedFor = motion.pausedUntil - now;
    if (pausedFor > 50) {
      clearTimeout(wakeTimer);
      wakeTimer = setTimeout(request, pausedFor - 20);
    } else {
      request();
    }
  }
  function request() {
    if (!frameRequested && !document.hidden) {
      frameRequested = true;
      requestAnimationFrame(tick);
    }
  }
  setInterval(() => {
    if (painted && built) paintClock(painted);
  }, 1000);
  // A hidden page gets no animation frames: it paints what arrives at once.
  document.addEventListener('visibilitychange', request);
  window.addEventListener('resize', () => {
    place();
    if (painted) moveStrip(performance.now());
  });

  // ---- the connection ----

  function showStatus(text) {
    statusEl.hidden = !text;
    statusEl.textContent = text || '';
  }

  function connect() {
    const ws = new WebSocket(`${location.protocol === 'https:' ? 'wss' : 'ws'}://${location.host}/live`);
    socket = ws;
    ws.onopen = () => {
      showStatus('');
      const kept = controlPage && sessionStorage.getItem('corvane-token');
      if (kept) ws.send(JSON.stringify({cmd: 'auth', token: kept}));
    };
    ws.onmessage = ev => {
      let m;
      try {
        m = JSON.parse(ev.data);
      } catch (e) {
        return;
      }
      if (m.type === 'layout') {
        layout = m;
        built = null;
        stripShown = null;
        painted = null;
      } else if (m.type === 'frame') {
        m.receivedAt = Date.now();
        window.corvaneArrivals[m.seq] = [m.sent, m.receivedAt];
        latest = m;
        // A frame that comes far later than frames usually take: the page was held up
        // and more may be waiting behind it. It paints once they are all taken.
        const transit = m.receivedAt - m.sent;
        quickest = Math.min(quickest, transit);
        if (transit - quickest > 250) {
          catchingUp = true;
          clearTimeout(catchUpTimer);
          catchUpTimer = setTimeout(() => {
            catchingUp = false;
            request();
          }, 0);
        }
      } else if (m.type === 'auth') {
        authenticated = true;
        showConsole();
      } else if (m.type === 'answer') {
        document.getElementById('answer').textContent = m.ok ? '' : m.error;
      } else if (m.type === 'refused') {
        refused = m.error;
        sessionStorage.removeItem('corvane-token');
        document.getElementById('token-problem').textContent = m.error;
      }
      // A frame on time is painted at once; the browser shows it with its next picture.
      if (layout && latest && latest !== painted && !catchingUp) paint(latest);
      request();
    };
    ws.onclose = ev => {
      if (socket === ws) socket = null;
      authenticated = false;
      if (controlPage) showConsole();
      if (ev.code === 1008) {
        refused = refused || ev.reason || 'refused';
        showStatus(`接続が拒否されました (${refused})`);
        if (!controlPage) return;
      } else {
        showStatus('接続が切れました。再接続しています…');
      }
      setTimeout(connect, 1000);
    };
  }

  // ---- the control page ----

  function send(request) {
    if (socket && socket.readyState === WebSocket.OPEN) socket.send(JSON.stringify(request));
  }
  window.corvaneSend = send;

  // The check boxes as the console has them; what it cannot press now, the page cannot.
  function showConsoleState(c) {
    for (const box of document.querySelectorAll('#console [data-check]'))
      box.checked = box.dataset.check === 'clear' ? c.clear : c.lateNight;
    for (const e of document.querySelectorAll('#console [data-enabled]')) {
      const buttons = e.tagName === 'BUTTON' ? [e]
        : e.tagName === 'SPAN' ? e.parentElement.querySelectorAll('button') : e.querySelectorAll('button');
      for (const b of buttons) b.disabled = !c[e.dataset.enabled];
    }
  }

  function showConsole() {
    document.getElementById('console').hidden = !authenticated;
    document.getElementById('token-form').hidden = authenticated;
    place();
  }

  if (controlPage) {
    document.getElementById('control').hidden = false;
    document.getElementById('token-form').addEventListener('submit', ev => {
      ev.preventDefault();
      const token = document.getElementById('token').value.trim();
      document.getElementById('token-problem').textContent = '';
      refused = null;
      sessionStorage.setItem('corvane-token', token);
      if (socket && socket.readyState === WebSocket.OPEN) send({cmd: 'auth', token});
      else connect();
    });
    for (const b of document.querySelectorAll('#console [data-cmd]'))
      b.addEventListener('click', () => send(JSON.parse(b.dataset.cmd)));
    for (const b of document.querySelectorAll('#console [data-key]'))
      b.addEventListener('click', () => send({cmd: 'keypad', keys: [b.dataset.key]}));
    for (const c of document.querySelectorAll('#console [data-check]'))
      c.addEventListener('change', () => send({cmd: c.dataset.check, on: c.checked}));
  }

  connect();
  request();
})();
