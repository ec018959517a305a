// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The page's connection rules, in Chromium with the browser's clock under the test's hand: the
// heartbeat, the silence that counts as a lost connection, what each answer to the invitation
// leads to, and the name a browser pairs under. A real receiver always answers, is never silent on demand and is never
// busy on cue, so the WebSocket here is answered by the test itself (the browser tests cover the
// page against the real receiver). Run with `node --test` from tests/browser after `npm ci`.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { after, before, test } from 'node:test';
import { chromium } from 'playwright-core';

const web = new URL('../../web/', import.meta.url);
const origin = 'https://receiver.test';
const policy = "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; "
  + "connect-src 'self'; manifest-src 'self'; base-uri 'none'; form-action 'none'; "
  + "frame-ancestors 'none'";
const types = { html: 'text/html; charset=utf-8', js: 'text/javascript', css: 'text/css',
  svg: 'image/svg+xml', webmanifest: 'application/manifest+json' };

let browser;
before(async () => {
  browser = await chromium.launch({ executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu'] });
});
after(() => browser?.close());

// A page whose WebSocket `answer` handles: answer(socket, message, connection number) for every
// frame the page sends. Returns the page and what each connection received. A page without a
// credential is offered its name first: `name` is typed over it, or the one offered is kept.
async function open(answer, { hash = '', credential = null, name = null } = {}) {
  const context = await browser.newContext({ viewport: { width: 390, height: 844 },
    hasTouch: true, isMobile: true, locale: 'ja-JP' });
  await context.route(`${origin}/**`, (route) => {
    const path = new URL(route.request().url()).pathname;
    const file = path === '/' ? 'index.html' : path.slice(1);
    route.fulfill({ status: 200, body: readFileSync(new URL(file, web)),
      headers: { 'content-type': types[file.split('.').pop()], 'content-security-policy': policy } });
  });
  const connections = [];
  const names = [];
  await context.routeWebSocket(`wss://receiver.test/ws`, (socket) => {
    const received = [];
    const number = connections.push(received) - 1;
    socket.onMessage((text) => {
      const message = JSON.parse(text);
      received.push(message.invitation ? invitationKind(message.invitation) : Object.keys(message)[0]);
      if (message.invitation) names.push(message.invitation.displayName);
      answer(socket, message, number);
    });
  });
  if (credential) {
    await context.addInitScript((kept) => {
      if (!sessionStorage.getItem('seeded')) localStorage.setItem('kavora.credential', kept);
      sessionStorage.setItem('seeded', '1');
    }, credential);
  }
  const page = await context.newPage();
  // The page's clock moves only when a test runs it: a slow machine cannot let a timer fire
  // between a step and the check after it.
  await page.clock.install({ time: 0 });
  await page.clock.pauseAt(1000);
  await page.goto(`${origin}/${hash}`);
  if (!credential) {
    if (name !== null) await page.locator('#sheet-input').fill(name);
    await page.locator('#sheet-action').click();
  }
  return { page, connections, names, context };
}

const invitationKind = (invitation) => (invitation.credential ? 'invitation with credential'
  : invitation.pairingToken ? `invitation with code ${invitation.pairingToken}` : 'invitation');
const send = (socket, message) => socket.send(JSON.stringify(message));
const accept = (socket, message) => {
  if (message.invitation) send(socket, { invitationAnswer: { accepted: true } });
};
const status = (page) => page.locator('#status-text').textContent();
const until = async (condition) => {
  for (let i = 0; i < 200 && !(await condition()); i += 1) await new Promise((r) => setTimeout(r, 10));
  return condition();
};

test('a joined page asks for the three lists, then beats every 5 s', async () => {
  const { page, connections, context } = await open((socket, message) => {
    accept(socket, message);
    if (message.heartbeat) send(socket, message);
  });
  assert.ok(await until(async () => (await status(page)) === '接続中'));
  assert.deepEqual(connections[0], ['invitation', 'requestRegisteredApps', 'requestSystemButtons',
    'requestFavoriteSites']);
  await page.clock.runFor(4999);
  assert.equal(connections[0].filter((key) => key === 'heartbeat').length, 0);
  const beats = () => connections[0].filter((key) => key === 'heartbeat').length;
  for (let beat = 1; beat <= 3; beat += 1) {
    await page.clock.runFor(beat === 1 ? 1 : 5000);
    assert.ok(await until(() => beats() === beat), `heartbeat ${beat}`);
    await new Promise((r) => setTimeout(r, 50)); // the echo reaches the page in real time
  }
  assert.equal(await status(page), '接続中', 'answered heartbeats keep the connection');
  await context.close();
});

test('15 s without a word from the receiver count as a lost connection, then it knocks again',
  async () => {
    const { page, connections, context } = await open(accept); // heartbeats go unanswered
    assert.ok(await until(async () => (await status(page)) === '接続中'));
    await page.clock.runFor(14999);
    assert.equal(await status(page), '接続中');
    await page.clock.runFor(1);
    assert.equal(await status(page), '接続が切れました');
    assert.match(await page.locator('#notice').textContent(), /接続し直しています/);
    await page.clock.runFor(600); // the first wait before trying again: 0.4 to 0.6 s
    assert.ok(await until(() => connections.length === 2));
    await context.close();
  });

test('a busy receiver is waited for and asked again later; a declining one is not', async () => {
  const busy = await open((socket, message, number) => {
    if (number === 0) {
      send(socket, { invitationAnswer: { accepted: false, reason: 'busy' } });
      socket.close();
    } else {
      accept(socket, message);
    }
  });
  assert.ok(await until(async () => (await status(busy.page)) === '順番待ち'));
  assert.match(await busy.page.locator('#notice').textContent(), /ほかの端末がこのコンピュータを操作中です/);
  await busy.page.clock.runFor(600);
  assert.ok(await until(async () => (await status(busy.page)) === '接続中'));
  await busy.context.close();

  const declined = await open((socket) => {
    send(socket, { invitationAnswer: { accepted: false, reason: 'declined' } });
    socket.close();
  });
  assert.ok(await until(() => declined.page.locator('#sheet').isVisible()));
  assert.equal(await declined.page.locator('#sheet-title').textContent(), '許可されませんでした');
  await declined.page.clock.runFor(60000);
  assert.equal(declined.connections.length, 1, 'it waits for the user to ask again');
  await declined.context.close();
});

test('a pending answer shows the verification code until the final answer', async () => {
  let pending;
  const { page, context } = await open((socket, message) => {
    if (message.invitation) {
      pending = socket;
      send(socket, { invitationAnswer: { pending: true, verificationCode: '042317' } });
    }
  });
  assert.ok(await until(() => page.locator('#sheet-code').isVisible()));
  assert.equal(await page.locator('#sheet-code').textContent(), '042 317');
  assert.equal(await status(page), '接続しています…');
  send(pending, { invitationAnswer: { accepted: true, credential: 'c2VjcmV0' } });
  assert.ok(await until(async () => (await status(page)) === '接続中'));
  assert.equal(await page.locator('#sheet').isVisible(), false);
  assert.equal(await page.evaluate(() => localStorage.getItem('kavora.credential')), 'c2VjcmV0');
  await context.close();
});

test('a pairing code outlives a busy answer, and pairs again a browser that was removed',
  async () => {
    const code = 'AAAAAAAAAAAAAAAAAAAAAA';
    const { page, connections, context } = await open((socket, message, number) => {
      if (!message.invitation) return;
      const reason = ['unknown-credential', 'busy'][number];
      if (reason) {
        send(socket, { invitationAnswer: { accepted: false, reason } });
        socket.close();
      } else {
        send(socket, { invitationAnswer: { accepted: true, credential: 'bmV3' } });
      }
    }, { hash: `#t=${code}`, credential: 'b2xk' });
    assert.ok(await until(async () => (await status(page)) === '順番待ち'));
    await page.clock.runFor(600); // the wait after the busy answer
    assert.ok(await until(async () => (await status(page)) === '接続中'));
    assert.deepEqual(connections.map((received) => received[0]), ['invitation with credential',
      `invitation with code ${code}`, `invitation with code ${code}`]);
    assert.equal(await page.evaluate(() => localStorage.getItem('kavora.credential')), 'bmV3');
    await context.close();
  });

test('a browser pairs under the name the user gave, and joins under it from then on', async () => {
  const { page, names, context } = await open((socket, message) => {
    if (message.invitation) send(socket, { invitationAnswer: { accepted: true, credential: 'c2VjcmV0' } });
  }, { hash: '#t=AAAAAAAAAAAAAAAAAAAAAA', name: ' Pixel 台所 ' });
  assert.ok(await until(async () => (await status(page)) === '接続中'));
  await page.reload();
  assert.ok(await until(() => names.length === 2));
  assert.equal(await page.locator('#sheet').isVisible(), false, 'a paired browser is not asked');
  assert.deepEqual(names, ['Pixel 台所', 'Pixel 台所']);
  await context.close();
});
