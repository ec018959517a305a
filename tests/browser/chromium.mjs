// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Chromium through playwright-core, for drive.mjs: one browser, a phone-sized context with touch
// per page. Touches go through the DevTools protocol, as a touch screen's reach the page.
import { chromium } from 'playwright-core';

// A phone's browser, so that the page names this device as the receiver will list it.
const kUserAgent = 'Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 '
  + '(KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36';

export async function launch(executablePath) {
  const browser = await chromium.launch({
    executablePath,
    // The sandbox needs user namespaces, which containers and CI runners often lack.
    args: ['--no-sandbox', '--disable-gpu'],
  });
  return {
    open: (url, init, locale) => openPage(browser, url, init, locale),
    close: () => browser.close(),
  };
}

async function openPage(browser, url, init, locale = 'ja-JP') {
  const context = await browser.newContext({
    viewport: { width: 390, height: 844 },
    deviceScaleFactor: 2,
    isMobile: true,
    hasTouch: true,
    ignoreHTTPSErrors: true, // the receiver's own certificate, which no authority signed
    userAgent: kUserAgent,
    locale,
    colorScheme: 'light',
  });
  await context.addInitScript(init);
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  page.on('console', (message) => {
    if (message.type() === 'error') errors.push(message.text());
  });
  const cdp = await context.newCDPSession(page);
  await page.goto(url);
  const type = { start: 'touchStart', move: 'touchMove', end: 'touchEnd' };
  return {
    errors,
    evaluate: (fn, arg) => page.evaluate(fn, arg),
    reload: () => page.reload(),
    touch: (phase, points) => cdp.send('Input.dispatchTouchEvent',
      { type: type[phase], touchPoints: points }),
    async mouse(steps) {
      for (const step of steps) {
        if (step.type === 'move') await page.mouse.move(step.x, step.y, { steps: step.steps ?? 4 });
        else if (step.type === 'down') await page.mouse.down({ button: step.button ?? 'left' });
        else await page.mouse.up({ button: step.button ?? 'left' });
      }
    },
    tap: (selector) => page.tap(selector),
    fill: (selector, text) => page.fill(selector, text),
    type: (text) => page.keyboard.type(text),
    // An input method's composition, as Japanese is typed: the reading, its conversion, then the
    // committed text.
    async compose(steps, commit) {
      for (const text of steps) {
        await cdp.send('Input.imeSetComposition', {
          text, selectionStart: text.length, selectionEnd: text.length,
        });
      }
      await cdp.send('Input.insertText', { text: commit });
    },
    colorScheme: (scheme) => page.emulateMedia({ colorScheme: scheme }),
    screenshot: (path) => page.screenshot({ path }),
    close: () => context.close(),
  };
}
