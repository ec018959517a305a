// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// How the pointers on the pad become the trackpad's fingers, from Pointer Events: a finger on a
// touch screen, a pen on the screen and a mouse with its main button down are each one finger
// under the same rules; the secondary button of a mouse or pen right-clicks; a wheel scrolls.
// Only Pointer Events are listened to, so a touch that also fires Touch Events and compatibility
// mouse events is handled once. Plain logic: the page passes the events' fields in.

const kMainButton = 1; // bits of PointerEvent.buttons
const kSecondaryButton = 2;
const kLinePixels = 16; // a wheel that counts in lines scrolls this far per line
const empty = Object.freeze({});

export class PadPointers {
  constructor(gestures, send) {
    this.gestures = gestures;
    this.send = send;
    this.fingers = new Map();
    this.rightHeld = false;
  }

  // One pointer event: kind is 'down', 'move', 'up' or 'cancel'; event has pointerId,
  // pointerType, buttons, clientX and clientY. True when it was the pad's (the page then keeps
  // the browser's default from it).
  handle(kind, event, now) {
    if (kind === 'cancel') return this.cancel(event.pointerId);
    // A touch is a finger from the moment it goes down until it lifts; a mouse or pen is one
    // while its main button is held, and buttons tells that whatever the event (a second button
    // pressed during a drag comes as a move).
    const touch = event.pointerType === 'touch';
    const pressed = touch ? kind !== 'up' : (event.buttons & kMainButton) !== 0;
    const rightChanged = !touch && this.followSecondary((event.buttons & kSecondaryButton) !== 0);
    const known = this.fingers.has(event.pointerId);
    const finger = { id: event.pointerId, x: event.clientX, y: event.clientY };
    if (pressed && !known && (kind === 'down' || !touch)) {
      this.fingers.set(finger.id, finger);
      this.gestures.down([finger], now);
    } else if (pressed && known) {
      this.fingers.set(finger.id, finger);
      this.gestures.move([finger], now);
    } else if (!pressed && known) {
      this.fingers.delete(finger.id);
      this.gestures.up([...this.fingers.values()], now);
    } else {
      return rightChanged;
    }
    return true;
  }

  // The browser took the pointer away (a system gesture, a call): the whole gesture ends.
  cancel(pointerId) {
    if (!this.fingers.has(pointerId)) return false;
    this.fingers.clear();
    this.gestures.cancel();
    return true;
  }

  // A wheel event's deltaY and deltaMode (pixels, lines or pages), with the pad's height for
  // pages. Rolling the wheel towards oneself moves the content up, as two fingers moving up do.
  wheel(deltaY, deltaMode, pageHeight) {
    const pixels = deltaY * ([1, kLinePixels, pageHeight][deltaMode] ?? 1);
    this.gestures.scrollBy(-pixels);
  }

  followSecondary(held) {
    if (held === this.rightHeld) return false;
    this.rightHeld = held;
    this.send(held ? { rightClickDown: empty } : { rightClickUp: empty });
    return true;
  }
}
