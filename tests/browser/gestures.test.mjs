// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The page's rules, where a browser test would need exact finger timing and distances to find the
// boundaries: which touches click, drag, scroll, zoom or swipe, that motion goes out summed, once
// per frame, how a mouse, a pen and a wheel become the same gestures, the key and launcher
// messages, and the language the page speaks. Run with `node --test`.
import assert from 'node:assert/strict';
import { cpSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, test } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';

// web/ has no package.json of its own (the receiver serves the folder as it is), so its modules
// are loaded from a copy that node takes for what they are.
const web = fileURLToPath(new URL('../../web/', import.meta.url));
const folder = mkdtempSync(join(tmpdir(), 'kavora-page-'));
after(() => rmSync(folder, { recursive: true, force: true }));
cpSync(web, folder, { recursive: true, filter: (path) => !/\.(png|svg|css|html)$/.test(path) });
writeFileSync(join(folder, 'package.json'), '{"type":"module"}');
const load = (name) => import(pathToFileURL(join(folder, name)).href);
const { TrackpadGestures, Gesture } = await load('gestures.js');
const { PadPointers } = await load('pointers.js');
const { strokeForKey } = await load('keyboard.js');
const { messagesForAction } = await load('launcher.js');
const { tables, textsFor } = await load('texts.js');

// Plays a script of touches and returns what was sent. Steps: ['down', [[x, y], ...], ms],
// ['move', [[x, y], ...] or {id: [x, y]}, ms] (finger i has id i), ['up', remaining finger ids,
// ms], 'frame'.
function play(steps) {
  const sent = [];
  const pad = new TrackpadGestures((message) => sent.push(JSON.stringify(message)));
  // Points by finger: a list from finger `first` on, or {id: [x, y]} for some fingers only.
  const fingers = (points, first = 0) => (Array.isArray(points)
    ? points.map(([x, y], i) => ({ id: first + i, x, y }))
    : Object.entries(points).map(([id, [x, y]]) => ({ id: Number(id), x, y })));
  let now = 0;
  for (const step of steps) {
    if (step === 'frame') {
      pad.tick(now);
      pad.flush();
      continue;
    }
    const [what, arg, time] = step;
    now = time;
    if (what === 'down') pad.down(fingers(arg, pad.fingers.size), now);
    else if (what === 'move') pad.move(fingers(arg), now);
    else pad.up(arg.map((id) => ({ id, x: 0, y: 0 })), now);
  }
  return sent;
}

const click = ['{"leftClickDown":{}}', '{"leftClickUp":{}}'];
const rightClick = ['{"rightClickDown":{}}', '{"rightClickUp":{}}'];
const g = Gesture.gain;

const rows = [
  {
    name: 'motion between two frames goes out as one summed delta, scaled by the gain',
    steps: [['down', [[100, 100]], 0], ['move', [[104, 101]], 5], ['move', [[110, 99]], 10],
      'frame', ['move', [[112, 99]], 20], 'frame', ['up', [], 30]],
    sent: [`{"mouseDelta":{"dx":${10 * g},"dy":${-1 * g}}}`, `{"mouseDelta":{"dx":${2 * g},"dy":0}}`],
  },
  {
    name: 'a finger lifted where it went down clicks',
    steps: [['down', [[50, 50]], 0], ['up', [], 90]],
    sent: click,
  },
  {
    name: 'a finger that travelled just within the tap slop still clicks, after its motion',
    steps: [['down', [[50, 50]], 0], ['move', [[50 + Gesture.tapSlop, 50]], 40], ['up', [], 80]],
    sent: [`{"mouseDelta":{"dx":${Gesture.tapSlop * g},"dy":0}}`, ...click],
  },
  {
    name: 'a finger that travelled past the tap slop only moves',
    steps: [['down', [[50, 50]], 0], ['move', [[50 + Gesture.tapSlop + 1, 50]], 40], ['up', [], 80]],
    sent: [`{"mouseDelta":{"dx":${(Gesture.tapSlop + 1) * g},"dy":0}}`],
  },
  {
    name: 'a finger held still for the hold time then moved drags',
    steps: [['down', [[50, 50]], 0], 'frame', ['move', [[50, 50]], Gesture.holdMs],
      ['move', [[60, 50]], Gesture.holdMs + 20], 'frame', ['move', [[70, 50]], 500], ['up', [], 520]],
    sent: ['{"dragStart":{}}', `{"dragDelta":{"dx":${10 * g},"dy":0}}`,
      `{"dragDelta":{"dx":${10 * g},"dy":0}}`, '{"dragEnd":{}}'],
  },
  {
    name: 'a finger moved a moment before the hold time only moves',
    steps: [['down', [[50, 50]], 0], ['move', [[70, 50]], Gesture.holdMs - 1], ['up', [], 600]],
    sent: [`{"mouseDelta":{"dx":${20 * g},"dy":0}}`],
  },
  {
    name: 'a finger that crept past the hold slop before the hold time does not pick up a drag',
    steps: [['down', [[50, 50]], 0], ['move', [[50 + Gesture.holdSlop + 1, 50]], 100],
      ['move', [[80, 50]], 500], ['up', [], 600]],
    sent: [`{"mouseDelta":{"dx":${30 * g},"dy":0}}`],
  },
  {
    name: 'a second finger during a drag does not end it',
    steps: [['down', [[50, 50]], 0], 'frame', ['move', [[50, 50]], 450], ['move', [[55, 50]], 460],
      ['down', [[200, 50]], 470], ['up', [0], 480], ['up', [], 490]],
    sent: ['{"dragStart":{}}', `{"dragDelta":{"dx":${5 * g},"dy":0}}`, '{"dragEnd":{}}'],
  },
  {
    name: 'two fingers lifted together within the tap time right-click',
    steps: [['down', [[100, 100]], 0], ['down', [[160, 100]], 10], ['up', [], Gesture.twoFingerTapMs]],
    sent: rightClick,
  },
  {
    name: 'two fingers held longer than the tap time do nothing',
    steps: [['down', [[100, 100]], 0], ['down', [[160, 100]], 10],
      ['up', [], Gesture.twoFingerTapMs + 1]],
    sent: [],
  },
  {
    name: 'two fingers moving down scroll by whole pixels, the fraction carried to the next frame',
    steps: [['down', [[100, 100]], 0], ['down', [[160, 100]], 0],
      ['move', [[100, 111], [160, 111]], 20], ['move', [[100, 115.5], [160, 115.5]], 30], 'frame',
      ['move', [[100, 116.25], [160, 116.25]], 40], 'frame', ['up', [], 50]],
    sent: ['{"scroll":{"deltaY":15}}', '{"scroll":{"deltaY":1}}'],
  },
  {
    name: 'two fingers reported one at a time, as Pointer Events come, scroll by their mean travel',
    steps: [['down', [[100, 100]], 0], ['down', [[160, 100]], 0],
      ['move', { 0: [100, 130] }, 20], ['move', { 1: [160, 130] }, 21], 'frame', ['up', [], 50]],
    sent: ['{"scroll":{"deltaY":30}}'],
  },
  {
    name: 'two fingers moving up scroll the other way',
    steps: [['down', [[100, 300]], 0], ['down', [[160, 300]], 0],
      ['move', [[100, 280], [160, 280]], 20], ['move', [[100, 250], [160, 250]], 30], 'frame',
      ['up', [], 50]],
    sent: ['{"scroll":{"deltaY":-50}}'],
  },
  {
    name: 'fingers spreading zoom in once per step, closing zoom out',
    steps: [['down', [[100, 100]], 0], ['down', [[200, 100]], 0],
      ['move', [[95, 100], [205, 100]], 10], // 1.10: below a step
      ['move', [[90, 100], [210, 100]], 20], // 1.20
      ['move', [[92, 100], [208, 100]], 30], // back a little: no step
      ['move', [[110, 100], [190, 100]], 40], // 80 / 120
      ['up', [], 50]],
    sent: ['{"pinch":{"scale":1.2}}', '{"pinch":{"scale":0.67}}'],
  },
  {
    name: 'three fingers swiped right go back, once',
    steps: [['down', [[100, 100], [150, 100], [200, 100]], 0],
      ['move', [[160, 100], [210, 100], [260, 100]], 20],
      ['move', [[260, 100], [310, 100], [360, 100]], 40], ['up', [], 60]],
    sent: ['{"swipeBack":{}}'],
  },
  {
    name: 'three fingers swiped left go forward',
    steps: [['down', [[300, 100], [350, 100], [400, 100]], 0],
      ['move', [[240, 100], [290, 100], [340, 100]], 20], ['up', [], 60]],
    sent: ['{"swipeForward":{}}'],
  },
  {
    name: 'three fingers that stay short of the swipe distance do nothing',
    steps: [['down', [[100, 100], [150, 100], [200, 100]], 0],
      ['move', [[159, 100], [209, 100], [259, 100]], 20], ['up', [], 60]],
    sent: [],
  },
];

for (const row of rows) {
  test(row.name, () => assert.deepEqual(play(row.steps), row.sent));
}

test('hardware keys in the text field send the strokes a phone keyboard cannot', () => {
  const cases = [
    [{ key: 'ArrowUp' }, [{ keyDown: { modifier: 0, keyCode: 0x52 } }, { keyUp: {} }]],
    [{ key: 'Tab' }, [{ keyDown: { modifier: 0, keyCode: 0x2b } }, { keyUp: {} }]],
    [{ key: 'c', ctrlKey: true }, [{ keyDown: { modifier: 8, keyCode: 6 } }, { keyUp: {} }]],
    [{ key: 'Z', metaKey: true }, [{ keyDown: { modifier: 8, keyCode: 0x1d } }, { keyUp: {} }]],
    [{ key: 'c' }, null], // typed text comes through the input events
  ];
  for (const [event, messages] of cases) assert.deepEqual(strokeForKey(event), messages, event.key);
});

test('launcher buttons send what their action names', () => {
  const cases = [
    [{ shortcut: { modifier: 10, keyCode: 0x1d } },
      [{ keyDown: { modifier: 10, keyCode: 0x1d } }, { keyUp: {} }]],
    [{ launchApp: { bundleId: 'org.gnome.Nautilus', name: 'Files' } },
      [{ launchApp: { bundleId: 'org.gnome.Nautilus' } }]],
    [{ textInput: { _0: 'こんにちは' } }, [{ textInput: { _0: 'こんにちは' } }]],
    [{ missionControl: {} }, [{ missionControl: {} }]],
    [{ somethingNew: {} }, []],
  ];
  for (const [action, messages] of cases) assert.deepEqual(messagesForAction(action), messages);
});

// Plays pointer events through the pad's pointer rules: [kind, pointerType, buttons, [x, y], ms]
// for pointer 1, or ['wheel', deltaY, deltaMode] and 'frame'. Returns what was sent.
function playPointers(steps) {
  const sent = [];
  const record = (message) => sent.push(JSON.stringify(message));
  const gestures = new TrackpadGestures(record);
  const pointers = new PadPointers(gestures, record);
  for (const step of steps) {
    if (step === 'frame') gestures.flush();
    else if (step[0] === 'wheel') pointers.wheel(step[1], step[2], 500);
    else {
      const [kind, pointerType, buttons, [clientX, clientY], now] = step;
      pointers.handle(kind, { pointerId: 1, pointerType, buttons, clientX, clientY }, now);
    }
  }
  return sent;
}

const pointerRows = [
  {
    name: 'a mouse moved without a button does nothing',
    steps: [['move', 'mouse', 0, [10, 10], 0], ['move', 'mouse', 0, [60, 10], 10], 'frame'],
    sent: [],
  },
  {
    name: 'a mouse pressed and released in place clicks, as a tap does',
    steps: [['down', 'mouse', 1, [10, 10], 0], ['up', 'mouse', 0, [10, 10], 80]],
    sent: click,
  },
  {
    name: 'a mouse moved with its button down moves the pointer, as a finger does',
    steps: [['down', 'mouse', 1, [10, 10], 0], ['move', 'mouse', 1, [40, 10], 10], 'frame',
      ['up', 'mouse', 0, [40, 10], 20]],
    sent: [`{"mouseDelta":{"dx":${30 * g},"dy":0}}`],
  },
  {
    name: 'the secondary button right-clicks, pressed and released as the button is',
    steps: [['down', 'mouse', 2, [10, 10], 0], ['up', 'mouse', 0, [10, 10], 500]],
    sent: rightClick,
  },
  {
    name: 'the secondary button pressed during a drag comes as a move and still right-clicks',
    steps: [['down', 'pen', 1, [10, 10], 0], ['move', 'pen', 3, [10, 10], 20],
      ['move', 'pen', 1, [10, 10], 40], ['up', 'pen', 0, [10, 10], 60]],
    sent: [...rightClick, ...click],
  },
  {
    name: 'a touch goes down and up whatever its buttons say',
    steps: [['down', 'touch', 0, [10, 10], 0], ['up', 'touch', 0, [10, 10], 50]],
    sent: click,
  },
  {
    name: 'a cancelled drag ends the drag',
    steps: [['down', 'touch', 0, [10, 10], 0], ['move', 'touch', 0, [10, 10], Gesture.holdMs],
      ['move', 'touch', 0, [20, 10], Gesture.holdMs + 10], ['cancel', 'touch', 0, [20, 10], 500]],
    sent: ['{"dragStart":{}}', `{"dragDelta":{"dx":${10 * g},"dy":0}}`, '{"dragEnd":{}}'],
  },
  {
    name: 'a wheel rolled towards the user scrolls as fingers moving up do, lines in pixels',
    steps: [['wheel', 100, 0], 'frame', ['wheel', -3, 1], 'frame'],
    sent: ['{"scroll":{"deltaY":-100}}', '{"scroll":{"deltaY":48}}'],
  },
];

for (const row of pointerRows) {
  test(row.name, () => assert.deepEqual(playPointers(row.steps), row.sent));
}

test('the page speaks Japanese where it is asked for before English, English otherwise', () => {
  const cases = [
    [['ja-JP', 'en'], 'ja'], [['en-US', 'ja'], 'en'], [['fr-FR', 'ja'], 'ja'], [['JA'], 'ja'],
    [['fr-FR', 'de'], 'en'], [['C'], 'en'], [[], 'en'], [undefined, 'en'],
  ];
  for (const [languages, lang] of cases) assert.equal(textsFor(languages).lang, lang, languages);
});

test('every text the markup names is in both tables, and the tables name the same texts', () => {
  const markup = readFileSync(join(web, 'index.html'), 'utf8');
  const named = [...markup.matchAll(/data-(?:text|label)="([^"]+)"/g)].map((match) => match[1]);
  assert.ok(named.length > 20, 'the markup names its texts');
  for (const table of Object.values(tables)) {
    for (const key of named) assert.equal(typeof table[key], 'string', `${table.lang}: ${key}`);
  }
  assert.deepEqual(Object.keys(tables.en).sort(), Object.keys(tables.ja).sort());
});
