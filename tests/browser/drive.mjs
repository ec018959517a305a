// Drives the receiver's browser controller in Chromium as a phone would: one browser for the
// whole run, a phone-sized context with touch per page name. It reads one command per line on
// stdin (a JSON object) and answers each with one JSON line on stdout, {"ok":true,...} or
// {"ok":false,"error":"..."}, so that a test program can play gestures and check their effect
// on the desktop in between. Touches go through the DevTools protocol, as a touch screen's do.
//
//   {"cmd":"open","page":"phone","url":"https://...","until":"connected"|"sheet"|"any"}
//   {"cmd":"reload","page":"phone","until":...}       {"cmd":"wait","page":"phone","until":...}
//   {"cmd":"state","page":"phone"}
//   {"cmd":"close","page":"phone"}
//   {"cmd":"swipe","page":"phone","from":[x,y],"by":[dx,dy],"fingers":1,"steps":10}
//   {"cmd":"tap","page":"phone","at":[x,y],"fingers":1}
//   {"cmd":"touch","page":"phone","phase":"start"|"move"|"end","at":[x,y]}  -> {"sentNs":"..."}
//   {"cmd":"view","page":"phone","name":"keyboard"}   {"cmd":"type","page":"phone","text":"ok"}
//   {"cmd":"compose","page":"phone","steps":["に","日"],"commit":"日"}
//   {"cmd":"tapSelector","page":"phone","selector":".key[data-key=return]"}
//   {"cmd":"launcher","page":"phone"} -> {"apps":[{"name":"...","icon":true}]}
//   {"cmd":"tapApp","page":"phone","name":"..."}
//   {"cmd":"screenshot","page":"phone","path":"..."}
//   {"cmd":"colorScheme","page":"phone","scheme":"dark"|"light"}
//
// Options: --chromium PATH (default /usr/bin/chromium).
import { createInterface } from 'node:readline';
import { chromium } from 'playwright-core';

const argument = (name, fallback) => {
  const at = process.argv.indexOf(name);
  return at > 0 ? process.argv[at + 1] : fallback;
};
const executablePath = argument('--chromium', '/usr/bin/chromium');
const kWaitMs = 20000;
// A phone's browser, so that the page names this device as the receiver will list it.
const kUserAgent = 'Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 '
  + '(KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36';

const browser = await chromium.launch({
  executablePath,
  // The sandbox needs user namespaces, which containers and CI runners often lack.
  args: ['--no-sandbox', '--disable-gpu'],
});
const pages = new Map();

async function openPage(name, url) {
  await closePage(name);
  const context = await browser.newContext({
    viewport: { width: 390, height: 844 },
    deviceScaleFactor: 2,
    isMobile: true,
    hasTouch: true,
    ignoreHTTPSErrors: true, // the receiver's own certificate, which no authority signed
    userAgent: kUserAgent,
    locale: 'ja-JP',
    colorScheme: 'light',
  });
  // When each touch reached the page's own listeners (a capturing listener of the driver's,
  // which runs just before them), on the system clock, for latency measurements.
  await context.addInitScript(() => {
    window.kavoraTouchTimes = [];
    document.addEventListener('touchmove', () => {
      window.kavoraTouchTimes.push(performance.timeOrigin + performance.now());
    }, { capture: true, passive: true });
  });
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  page.on('console', (message) => {
    if (message.type() === 'error') errors.push(message.text());
  });
  const cdp = await context.newCDPSession(page);
  const entry = { context, page, cdp, errors };
  pages.set(name, entry);
  await page.goto(url);
  return entry;
}

async function closePage(name) {
  const entry = pages.get(name);
  if (!entry) return;
  pages.delete(name);
  await entry.context.close();
}

// What the page shows: the connection state, the sheet on top (pairing, refusals), whether the
// address still holds the token and whether a credential is kept.
async function stateOf({ page, errors }) {
  const shown = await page.evaluate(() => ({
    status: document.getElementById('status-text').textContent,
    sheet: document.getElementById('sheet').hidden ? null
      : document.getElementById('sheet-title').textContent,
    code: document.getElementById('sheet-code').hidden ? null
      : document.getElementById('sheet-code').textContent,
    hash: location.hash,
    credential: localStorage.getItem('kavora.credential'),
  }));
  return { ...shown, errors };
}

async function settle(entry, until = 'any') {
  const conditions = {
    connected: () => document.getElementById('status-text').textContent === '接続中',
    sheet: () => !document.getElementById('sheet').hidden,
    any: () => document.getElementById('status-text').textContent === '接続中'
      || !document.getElementById('sheet').hidden,
  };
  await entry.page.waitForFunction(conditions[until] ?? conditions.any, null, { timeout: kWaitMs });
  return stateOf(entry);
}

// Two animation frames: the page sends what it summed in the frame after a touch.
const frames = (page) => page.evaluate(() => new Promise((done) => {
  requestAnimationFrame(() => requestAnimationFrame(done));
}));

const spread = 60; // CSS pixels between fingers
function points(at, fingers) {
  return Array.from({ length: fingers }, (_, i) => ({ x: at[0] + i * spread, y: at[1], id: i }));
}

async function touch(cdp, type, touchPoints) {
  await cdp.send('Input.dispatchTouchEvent', { type, touchPoints });
}

async function swipe({ page, cdp }, from, by, fingers = 1, steps = 10) {
  await touch(cdp, 'touchStart', points(from, fingers));
  for (let step = 1; step <= steps; step += 1) {
    const at = [from[0] + (by[0] * step) / steps, from[1] + (by[1] * step) / steps];
    await touch(cdp, 'touchMove', points(at, fingers));
    await frames(page);
  }
  await touch(cdp, 'touchEnd', []);
  await frames(page);
}

async function tap({ page, cdp }, at, fingers = 1) {
  await touch(cdp, 'touchStart', points(at, fingers));
  await touch(cdp, 'touchEnd', []);
  await frames(page);
}

const commands = {
  async open(command) {
    return settle(await openPage(command.page, command.url), command.until);
  },
  async reload(command, entry) {
    await entry.page.reload();
    return settle(entry, command.until);
  },
  wait: (command, entry) => settle(entry, command.until),
  state: (command, entry) => stateOf(entry),
  async close(command) {
    await closePage(command.page);
    return {};
  },
  async swipe(command, entry) {
    await swipe(entry, command.from, command.by, command.fingers, command.steps);
    return {};
  },
  async tap(command, entry) {
    await tap(entry, command.at, command.fingers);
    return {};
  },
  // One touch change, stamped just before it is dispatched and, for a move, when it reached
  // the page: both on CLOCK_MONOTONIC in nanoseconds, as the test's steady clock reads it.
  async touch(command, { page, cdp }) {
    const type = { start: 'touchStart', move: 'touchMove', end: 'touchEnd' }[command.phase];
    const sent = process.hrtime.bigint();
    await touch(cdp, type, command.phase === 'end' ? [] : points(command.at, 1));
    if (command.phase !== 'move') return { sentNs: sent.toString() };
    const [handled] = await page.evaluate(() => window.kavoraTouchTimes.splice(0));
    // The page's time is the system clock's; node reads both clocks for the difference.
    const offsetMs = performance.timeOrigin + performance.now() - Number(process.hrtime.bigint()) / 1e6;
    const handledNs = handled === undefined ? '' : BigInt(Math.round((handled - offsetMs) * 1e6)).toString();
    return { sentNs: sent.toString(), handledNs };
  },
  async view(command, { page }) {
    await page.tap(`.tab[data-view="${command.name}"]`);
    return {};
  },
  async type(command, { page }) {
    await page.keyboard.type(command.text);
    await frames(page);
    return {};
  },
  // An input method's composition, as Japanese is typed: the reading, then its conversion,
  // then the committed text.
  async compose(command, { page, cdp }) {
    for (const text of command.steps) {
      await cdp.send('Input.imeSetComposition', {
        text, selectionStart: text.length, selectionEnd: text.length,
      });
    }
    await cdp.send('Input.insertText', { text: command.commit });
    await frames(page);
    return {};
  },
  async tapSelector(command, { page }) {
    await page.tap(command.selector);
    await frames(page);
    return {};
  },
  async launcher(command, { page }) {
    await page.tap('.tab[data-view="launcher"]');
    await page.waitForSelector('#apps .app', { timeout: kWaitMs });
    const apps = await page.$$eval('#apps .app', (tiles) => tiles.map((tile) => {
      const image = tile.querySelector('img');
      return {
        name: tile.querySelector('.name').textContent,
        icon: Boolean(image && image.complete && image.naturalWidth > 0),
      };
    }));
    return { apps };
  },
  async tapApp(command, { page }) {
    await page.locator('#apps .app', { hasText: command.name }).first().tap();
    await frames(page);
    return {};
  },
  async colorScheme(command, { page }) {
    await page.emulateMedia({ colorScheme: command.scheme });
    return {};
  },
  async screenshot(command, { page }) {
    await page.waitForTimeout(400); // the pressed look of the last tap fades
    await frames(page);
    await page.screenshot({ path: command.path });
    return {};
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
    const entry = pages.get(command.page);
    if (!entry && !['open', 'close'].includes(command.cmd)) throw new Error(`no page ${command.page}`);
    answer = { ok: true, ...(await run(command, entry)) };
  } catch (error) {
    answer = { ok: false, error: String(error.message ?? error).split('\n')[0] };
  }
  process.stdout.write(`${JSON.stringify(answer)}\n`);
}
await browser.close();
