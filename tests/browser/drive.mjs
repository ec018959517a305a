// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Drives the receiver's browser controller as a phone would, in Chromium or in WebKit (one
// browser engine per run, a phone-sized page per page name). It reads one command per line on
// stdin (a JSON object) and answers each with one JSON line on stdout, {"ok":true,...} or
// {"ok":false,"error":"..."}, so that a test program can play gestures and check their effect
// on the desktop in between.
//
//   {"cmd":"open","page":"phone","url":"https://...","until":"connected"|"sheet"|"any"|STATE,
//    "name":"..."|false,"locale":"en-US"}   a page offered its name keeps it, takes "name", or
//    (false) stays there; the locale is Chromium's (ja-JP unless given)
//   {"cmd":"reload","page":"phone","until":...}       {"cmd":"wait","page":"phone","until":...}
//   {"cmd":"state","page":"phone"}                    {"cmd":"close","page":"phone"}
//   {"cmd":"swipe","page":"phone","from":[x,y],"by":[dx,dy],"fingers":1,"steps":10,"holdMs":0}
//   {"cmd":"tap","page":"phone","at":[x,y],"fingers":1}
//   {"cmd":"pinch","page":"phone","at":[x,y],"from":80,"to":160}   two fingers apart or together
//   {"cmd":"touch","page":"phone","phase":"start"|"move"|"end","at":[x,y],"mouse":false}
//     one change of one finger (or of a mouse with its button down)  -> {"sentNs":"..."}
//   {"cmd":"mouse","page":"phone","from":[x,y],"by":[dx,dy]}  drag with the button, then a click
//   {"cmd":"view","page":"phone","name":"keyboard"}   {"cmd":"type","page":"phone","text":"ok"}
//   {"cmd":"compose","page":"phone","steps":["に","日"],"commit":"日"}   (Chromium)
//   {"cmd":"tapSelector","page":"phone","selector":".key[data-key=return]"}
//   {"cmd":"launcher","page":"phone"} -> {"apps":[{"name":"...","icon":true}]}
//   {"cmd":"tapApp","page":"phone","name":"..."}
//   {"cmd":"screenshot","page":"phone","path":"..."}
//   {"cmd":"colorScheme","page":"phone","scheme":"dark"|"light"}   (Chromium)
//
// Options: --engine chromium|webkit (default chromium), --chromium PATH, --minibrowser PATH.
import { createInterface } from 'node:readline';

const argument = (name, fallback) => {
  const at = process.argv.indexOf(name);
  return at > 0 ? process.argv[at + 1] : fallback;
};
const engineName = argument('--engine', 'chromium');
const engine = engineName === 'webkit'
  ? await (await import('./webkit.mjs')).launch(argument('--minibrowser',
    '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser'))
  : await (await import('./chromium.mjs')).launch(argument('--chromium', '/usr/bin/chromium'));
const kWaitMs = 20000;
const pages = new Map();

// Runs in the page before its own code where the engine can, else just after it loaded: notes when
// each pointer motion reached the page (on the system clock), for latency measurements. A
// capturing listener of the window runs just before the page's own.
function init() {
  window.kavoraTouchTimes = [];
  window.addEventListener('pointermove', () => {
    window.kavoraTouchTimes.push(performance.timeOrigin + performance.now());
  }, { capture: true, passive: true });
}

const sleep = (ms) => new Promise((done) => { setTimeout(done, ms); });
const frames = (page) => page.evaluate(() => new Promise((done) => {
  requestAnimationFrame(() => requestAnimationFrame(() => done(true)));
}));

// What the page shows: its state and why, the status text, the sheet on top, whether the
// address still holds the token and whether a credential is kept.
async function stateOf(page) {
  const shown = await page.evaluate(() => {
    const $ = (id) => document.getElementById(id);
    return {
      state: document.body.dataset.state,
      reason: document.body.dataset.reason ?? '',
      status: $('status-text').textContent,
      sheet: $('sheet').hidden ? null : $('sheet-title').textContent,
      code: $('sheet-code').hidden ? null : $('sheet-code').textContent,
      hash: location.hash,
      credential: localStorage.getItem('kavora.credential'),
    };
  });
  return { ...shown, errors: page.errors };
}

const conditions = {
  connected: (shown) => shown.state === 'connected',
  naming: (shown) => shown.state === 'naming',
  sheet: (shown) => shown.sheet !== null && shown.state !== 'naming',
  any: (shown) => shown.state === 'connected' || (shown.sheet !== null && shown.state !== 'naming'),
};
conditions.namingOrAny = (shown) => conditions.naming(shown) || conditions.any(shown);

async function settle(page, until = 'any') {
  const done = conditions[until] ?? ((shown) => shown.state === until);
  for (const deadline = Date.now() + kWaitMs; Date.now() < deadline; await sleep(50)) {
    const shown = await stateOf(page);
    if (done(shown)) return shown;
  }
  throw new Error(`the page did not become ${until}: ${JSON.stringify(await stateOf(page))}`);
}

// A page about to pair is offered its name first: keep it or take `name`, then go on.
async function settleNamed(page, command) {
  const shown = await settle(page, command.name === false ? 'naming' : 'namingOrAny');
  if (command.name === false) return shown;
  if (shown.state === 'naming') {
    if (typeof command.name === 'string') await page.fill('#sheet-input', command.name);
    await page.tap('#sheet-action');
  }
  return settle(page, command.until);
}

const spread = 60; // CSS pixels between fingers
const points = (at, fingers, gap = spread) => Array.from({ length: fingers },
  (_, i) => ({ x: at[0] + i * gap, y: at[1], id: i }));

async function swipe(page, { from, by, fingers = 1, steps = 10, holdMs = 0 }) {
  await page.touch('start', points(from, fingers));
  if (holdMs) {
    await sleep(holdMs); // a finger held still: the page arms the drag on a frame after this
    await frames(page);
  }
  for (let step = 1; step <= steps; step += 1) {
    const at = [from[0] + (by[0] * step) / steps, from[1] + (by[1] * step) / steps];
    await page.touch('move', points(at, fingers));
    await frames(page);
  }
  await page.touch('end', []);
  await frames(page);
}

const commands = {
  async open(command) {
    await commands.close(command);
    const page = await engine.open(command.url, init, command.locale);
    pages.set(command.page, page);
    return settleNamed(page, command);
  },
  async reload(command, page) {
    await page.reload();
    return settleNamed(page, command);
  },
  wait: (command, page) => settle(page, command.until),
  state: (command, page) => stateOf(page),
  async close(command) {
    const page = pages.get(command.page);
    pages.delete(command.page);
    await page?.close();
    return {};
  },
  swipe: (command, page) => swipe(page, command),
  async tap(command, page) {
    await page.touch('start', points(command.at, command.fingers ?? 1));
    await page.touch('end', []);
    await frames(page);
  },
  async pinch(command, page) {
    const at = (gap) => points([command.at[0] - gap / 2, command.at[1]], 2, gap);
    await page.touch('start', at(command.from));
    for (let step = 1; step <= 8; step += 1) {
      await page.touch('move', at(command.from + ((command.to - command.from) * step) / 8));
      await frames(page);
    }
    await page.touch('end', []);
    await frames(page);
  },
  // One touch change, stamped just before it is dispatched and, for a move, when it reached
  // the page: both on CLOCK_MONOTONIC in nanoseconds, as the test's steady clock reads it.
  async touch(command, page) {
    const [x, y] = command.at ?? [0, 0];
    const mouse = { start: [{ type: 'move', x, y, steps: 1 }, { type: 'down' }],
      move: [{ type: 'move', x, y, steps: 1 }], end: [{ type: 'up' }] }[command.phase];
    const sent = process.hrtime.bigint();
    if (command.mouse) await page.mouse(mouse);
    else await page.touch(command.phase, command.phase === 'end' ? [] : points(command.at, 1));
    if (command.phase !== 'move') return { sentNs: sent.toString() };
    // The last motion is the move's: a mouse's start also moved it, to the point it goes down at.
    const handled = (await page.evaluate(() => window.kavoraTouchTimes.splice(0))).at(-1);
    // The page's time is the system clock's; node reads both clocks for the difference.
    const offsetMs = performance.timeOrigin + performance.now() - Number(process.hrtime.bigint()) / 1e6;
    const handledNs = handled === undefined ? '' : BigInt(Math.round((handled - offsetMs) * 1e6)).toString();
    return { sentNs: sent.toString(), handledNs };
  },
  async mouse({ from, by }, page) {
    const to = [from[0] + by[0], from[1] + by[1]];
    await page.mouse([{ type: 'move', x: from[0], y: from[1] }, { type: 'down' },
      { type: 'move', x: to[0], y: to[1] }, { type: 'up' }]);
    await frames(page);
    await page.mouse([{ type: 'down' }, { type: 'up' }]);
    await frames(page);
  },
  view: (command, page) => page.tap(`.tab[data-view="${command.name}"]`),
  async type(command, page) {
    await page.type(command.text);
    await frames(page);
  },
  async compose(command, page) {
    await page.compose(command.steps, command.commit);
    await frames(page);
  },
  async tapSelector(command, page) {
    await page.tap(command.selector);
    await frames(page);
  },
  async launcher(command, page) {
    await page.tap('.tab[data-view="launcher"]');
    for (const deadline = Date.now() + kWaitMs; Date.now() < deadline; await sleep(50)) {
      const apps = await page.evaluate(() => [...document.querySelectorAll('#apps .app')]
        .map((tile) => {
          const image = tile.querySelector('img');
          return { name: tile.querySelector('.name').textContent,
            icon: Boolean(image && image.complete && image.naturalWidth > 0) };
        }));
      if (apps.length > 0 && apps.every((app) => app.icon)) return { apps };
    }
    throw new Error('no registered app with its icon was listed');
  },
  async tapApp(command, page) {
    const at = await page.evaluate((name) => [...document.querySelectorAll('#apps .app .name')]
      .findIndex((label) => label.textContent === name) + 1, command.name);
    if (at === 0) throw new Error(`no app ${command.name}`);
    await page.tap(`#apps .app:nth-child(${at})`);
    await frames(page);
  },
  colorScheme: (command, page) => page.colorScheme(command.scheme),
  async screenshot(command, page) {
    await sleep(400); // the pressed look of the last tap fades
    await frames(page);
    await page.screenshot(command.path);
  },
};

const lines = createInterface({ input: process.stdin });
for await (const line of lines) {
  if (!line.trim()) continue;
  let answer;
  try {
    const command = JSON.parse(line);
    const run = commands[command.cmd];
    if (!run) throw new Error(`unknown command ${command.cmd}`);
    const page = pages.get(command.page);
    if (!page && !['open', 'close'].includes(command.cmd)) throw new Error(`no page ${command.page}`);
    answer = { ok: true, ...(await run(command, page)) };
  } catch (error) {
    answer = { ok: false, error: String(error.message ?? error).split('\n')[0] };
  }
  process.stdout.write(`${JSON.stringify(answer)}\n`);
}
for (const page of pages.values()) await page.close();
await engine.close();
