// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The keyboard view: what a phone's keyboard, an input method and a hardware keyboard type into
// the page's text field, sent as text and key strokes.

// USB HID keyboard usages of the keys the page sends.
export const Keys = Object.freeze({
  return: 0x28, escape: 0x29, backspace: 0x2a, tab: 0x2b,
  right: 0x4f, left: 0x50, down: 0x51, up: 0x52,
});
// The Command bit of the HID modifier byte; the receiver makes it Control on its desktop.
const kCommand = 0x08;
const kLetterA = 0x04;
const kSentinel = '\u200b'; // a zero-width space
const empty = Object.freeze({});

// The messages of one key stroke: the receiver presses and releases the key on keyDown.
export function keyStroke(keyCode, modifier = 0) {
  return [{ keyDown: { modifier, keyCode } }, { keyUp: empty }];
}

// What a hardware key pressed in the text field sends, or null when the field's text input
// events cover it (or it is nothing the receiver would type).
export function strokeForKey(event) {
  const named = {
    Enter: Keys.return, Backspace: Keys.backspace, Escape: Keys.escape, Tab: Keys.tab,
    ArrowRight: Keys.right, ArrowLeft: Keys.left, ArrowDown: Keys.down, ArrowUp: Keys.up,
  }[event.key];
  const command = event.ctrlKey || event.metaKey ? kCommand : 0;
  if (named !== undefined) return keyStroke(named, command);
  if (command && /^[a-z]$/i.test(event.key)) {
    return keyStroke(kLetterA + event.key.toLowerCase().charCodeAt(0) - 97, command);
  }
  return null;
}

// Wires the text field and the key buttons (elements with data-key) to `send`.
export function wireKeyboard(sink, keyButtons, send) {
  const sendAll = (messages) => messages.forEach((message) => send(message));
  const type = (text) => { if (text) send({ textInput: { _0: text } }); };
  let composing = false;
  // The field always holds one invisible character before the caret: a phone keyboard sends
  // nothing for Backspace in an empty field, and this keeps it something to delete.
  const reset = () => {
    sink.value = kSentinel;
    sink.setSelectionRange(kSentinel.length, kSentinel.length);
  };
  sink.addEventListener('focus', reset);
  sink.addEventListener('keydown', (event) => {
    // 229: a phone keyboard or an input method owns the key; its text comes as input events.
    if (event.isComposing || composing || event.keyCode === 229) return;
    const stroke = strokeForKey(event);
    if (!stroke) return;
    event.preventDefault(); // no beforeinput follows, so the key goes once
    sendAll(stroke);
  });
  sink.addEventListener('beforeinput', (event) => {
    if (event.isComposing || composing) return;
    switch (event.inputType) {
      case 'insertText':
      case 'insertReplacementText':
      case 'insertFromPaste':
      case 'insertFromDrop':
        type(event.data ?? event.dataTransfer?.getData('text/plain') ?? '');
        break;
      case 'insertLineBreak':
      case 'insertParagraph':
        sendAll(keyStroke(Keys.return));
        break;
      case 'deleteContentBackward':
        sendAll(keyStroke(Keys.backspace));
        break;
      default:
        return;
    }
    event.preventDefault();
  });
  sink.addEventListener('compositionstart', () => { composing = true; });
  sink.addEventListener('compositionend', (event) => {
    composing = false;
    type(event.data);
    reset();
  });
  sink.addEventListener('input', (event) => {
    if (composing) return;
    const text = sink.value.replaceAll(kSentinel, '');
    reset();
    // What a composition left behind went out with compositionend (some browsers report it
    // after that event); other text got here without a cancelable beforeinput.
    if (!/Composition/.test(event.inputType ?? '')) type(text);
  });
  for (const key of keyButtons) {
    key.addEventListener('click', () => sendAll(keyStroke(Keys[key.dataset.key])));
  }
}
