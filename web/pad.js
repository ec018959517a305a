// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The trackpad on the page: its pointer and wheel events go through the gesture rules, and the
// motion they make goes out at most once per animation frame.
import { TrackpadGestures } from './gestures.js';
import { PadPointers } from './pointers.js';

const kClickBuzzMs = 10;
const kArmedBuzzMs = 15;

function buzz(ms) {
  if (typeof navigator.vibrate === 'function') navigator.vibrate(ms);
}

export class Pad {
  constructor(element, send) {
    this.element = element;
    this.gestures = new TrackpadGestures((message) => {
      // A click is felt where the platform can: the finger gets no other answer.
      if (message.leftClickDown || message.rightClickDown) buzz(kClickBuzzMs);
      send(message);
    }, () => {
      buzz(kArmedBuzzMs);
      element.classList.add('armed');
    });
    this.pointers = new PadPointers(this.gestures, send);
    this.frame = 0;
    this.sentThisFrame = false;
    for (const [type, kind] of [['pointerdown', 'down'], ['pointermove', 'move'],
      ['pointerup', 'up'], ['pointercancel', 'cancel']]) {
      element.addEventListener(type, (event) => this.pointer(kind, event));
    }
    element.addEventListener('wheel', (event) => {
      event.preventDefault();
      this.pointers.wheel(event.deltaY, event.deltaMode, element.clientHeight);
      this.scheduleFrame();
    }, { passive: false });
    // The secondary button is the computer's, and a long press is a drag, not a menu.
    element.addEventListener('contextmenu', (event) => event.preventDefault());
  }

  pointer(kind, event) {
    const now = event.timeStamp || performance.now();
    if (!this.pointers.handle(kind, event, now)) return;
    event.preventDefault();
    // A mouse dragged off the pad still belongs to it until its button is released.
    if (kind === 'down' && event.isTrusted) this.element.setPointerCapture(event.pointerId);
    // The first motion of a frame goes at once; what follows it waits for the next frame.
    if (kind === 'move' && !this.sentThisFrame) this.sentThisFrame = this.gestures.flush();
    this.element.classList.toggle('touched', this.gestures.active);
    if (!this.gestures.active) this.element.classList.remove('armed');
    this.scheduleFrame();
  }

  // The connection went: a gesture under way ends without another word.
  cancel() {
    this.pointers.fingers.clear();
    this.gestures.cancel();
    this.element.classList.remove('touched', 'armed');
  }

  // While fingers are down, and once after a wheel: arms the drag of a finger held still and
  // sends what the frame summed.
  scheduleFrame() {
    if (this.frame) return;
    this.frame = requestAnimationFrame((now) => {
      this.frame = 0;
      this.gestures.tick(now);
      this.sentThisFrame = this.gestures.flush();
      if (this.gestures.active) this.scheduleFrame();
      else this.sentThisFrame = false;
    });
  }
}
