// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// WebKit for drive.mjs: Debian's WebKitGTK driven through its WebDriver (WebKitWebDriver) with
// plain W3C WebDriver calls, each page a session of its own driver and MiniBrowser. Mouse, clicks and keys
// are the driver's real input events. WebKitGTK under Xvfb has no touch screen and WebDriver
// none to offer it, so touches are created in the page: Pointer Events for each change, and
// Touch Events too where the engine can make them, as a touch screen's browser fires both.
import { spawn } from 'node:child_process';
import { writeFileSync } from 'node:fs';
import { createServer } from 'node:net';

const kElement = 'element-6066-11e4-a52e-4f735466cecf';
// iPhone's Safari, so that the page names this device as the receiver will list it.
const kUserAgent = 'Mozilla/5.0 (iPhone; CPU iPhone OS 17_5 like Mac OS X) AppleWebKit/605.1.15 '
  + '(KHTML, like Gecko) Version/17.5 Mobile/15E148 Safari/604.1';

const freePort = () => new Promise((done) => {
  const server = createServer().listen(0, '127.0.0.1', () => {
    const { port } = server.address();
    server.close(() => done(port));
  });
});

export async function launch(miniBrowser) {
  return {
    open: (url, init) => openPage(miniBrowser, url, init),
    close: () => {},
  };
}

// A WebKitWebDriver of its own: the driver holds one session at a time.
async function startDriver() {
  const port = await freePort();
  const driver = spawn('WebKitWebDriver', [`--port=${port}`], { stdio: 'ignore' });
  const call = async (method, path, body) => {
    const answer = await fetch(`http://127.0.0.1:${port}${path}`, {
      method, headers: { 'content-type': 'application/json' },
      body: method === 'POST' ? JSON.stringify(body ?? {}) : undefined,
    });
    const { value } = await answer.json();
    if (!answer.ok) throw new Error(`${path.split('/').pop()}: ${value?.message ?? value?.error}`);
    return value;
  };
  for (let tries = 0; ; tries += 1) {
    try {
      await call('GET', '/status');
      return { call, stop: () => driver.kill() };
    } catch (error) {
      if (tries > 100) throw error;
      await new Promise((done) => { setTimeout(done, 100); });
    }
  }
}

// Runs in the page: one touch change, as the browser of a touch screen reports it.
function touchInPage(phase, points) {
  const fingers = (window.kavoraFingers ??= new Map());
  const changed = phase === 'end' ? [...fingers.values()]
    : points.map((p) => ({ ...p, target: fingers.get(p.id)?.target
      ?? document.elementFromPoint(p.x, p.y) }));
  for (const finger of changed) {
    if (phase === 'end') fingers.delete(finger.id);
    else fingers.set(finger.id, finger);
  }
  const primary = Math.min(...changed.map((f) => f.id), ...[...fingers.keys()]);
  for (const f of changed) {
    f.target.dispatchEvent(new PointerEvent({ start: 'pointerdown', move: 'pointermove',
      end: 'pointerup' }[phase], {
      pointerId: 10 + f.id, pointerType: 'touch', isPrimary: f.id === primary,
      clientX: f.x, clientY: f.y, buttons: phase === 'end' ? 0 : 1, button: phase === 'move' ? -1 : 0,
      bubbles: true, cancelable: true, composed: true,
    }));
  }
  // An engine without a touch screen (WebKitGTK) cannot make Touch Events: there the page gets
  // the Pointer Events alone.
  try {
    const touch = (f) => new Touch({ identifier: f.id, target: f.target, clientX: f.x, clientY: f.y });
    const all = [...fingers.values()].map(touch);
    const event = new TouchEvent(`touch${phase}`, { touches: all, targetTouches: all,
      changedTouches: changed.map(touch), bubbles: true, cancelable: true, composed: true });
    changed[0]?.target.dispatchEvent(event);
  } catch {
    // Pointer Events only
  }
}

async function openPage(miniBrowser, url, init) {
  const { call, stop } = await startDriver();
  const { sessionId } = await call('POST', '/session', { capabilities: { alwaysMatch: {
    acceptInsecureCerts: true, // the receiver's own certificate, which no authority signed
    'webkitgtk:browserOptions': { binary: miniBrowser,
      args: ['--automation', `--user-agent=${kUserAgent}`] },
  } } });
  const at = (path) => `/session/${sessionId}${path}`;
  await call('POST', at('/window/rect'), { width: 390, height: 844 });
  const evaluate = (fn, arg) => call('POST', at('/execute/sync'),
    { script: `return (${fn})(arguments[0]);`, args: [arg ?? null] });
  const element = async (selector) => (await call('POST', at('/element'),
    { using: 'css selector', value: selector }))[kElement];
  const navigate = async (to) => {
    await call('POST', at('/url'), { url: to });
    await evaluate(init);
  };
  await navigate(url);
  return {
    errors: [], // WebDriver does not pass on the console
    evaluate,
    reload: async () => { await call('POST', at('/refresh')); await evaluate(init); },
    touch: (phase, points) => evaluate(`(a) => (${touchInPage})(a.phase, a.points)`,
      { phase, points }),
    mouse: (steps) => call('POST', at('/actions'), { actions: [{
      type: 'pointer', id: 'mouse', parameters: { pointerType: 'mouse' },
      actions: steps.map((step) => (step.type === 'move'
        ? { type: 'pointerMove', x: Math.round(step.x), y: Math.round(step.y), origin: 'viewport', duration: step.steps === 1 ? 0 : 60 }
        : { type: step.type === 'down' ? 'pointerDown' : 'pointerUp',
          button: step.button === 'right' ? 2 : 0 })),
    }] }),
    tap: async (selector) => call('POST', at(`/element/${await element(selector)}/click`), {}),
    async fill(selector, text) {
      const id = await element(selector);
      await call('POST', at(`/element/${id}/clear`), {});
      await call('POST', at(`/element/${id}/value`), { text });
    },
    type: async (text) => call('POST', at(`/element/${await element(':focus')}/value`), { text }),
    compose: () => { throw new Error('WebDriver has no input method to compose with'); },
    colorScheme: () => { throw new Error('the colour scheme is MiniBrowser\'s start option'); },
    async screenshot(path) {
      writeFileSync(path, Buffer.from(await call('GET', at('/screenshot')), 'base64'));
    },
    async close() {
      await call('DELETE', at(''));
      stop();
    },
  };
}
