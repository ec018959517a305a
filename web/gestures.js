// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The trackpad's rules: which finger motions point, click, drag, scroll, zoom or swipe, and the
// control messages they send. Plain logic with no page, so that it can be tried outside a browser.

const round2 = (value) => Math.round(value * 100) / 100;
const empty = Object.freeze({});

// Finger travel is in CSS pixels; the receiver applies the user's pointer and scroll speeds.
export const Gesture = Object.freeze({
  gain: 1.5, // pointer points per CSS pixel of finger travel
  scrollGain: 1, // scroll pixels per CSS pixel of two-finger travel
  tapSlop: 10, // a finger that travelled farther did not tap
  holdMs: 400, // a finger held this long without moving picks up a drag
  holdSlop: 6, // ... if it travelled no farther than this
  twoFingerTapMs: 300, // two fingers lifted within this time tap (a right click)
  pinchStart: 0.12, // two fingers pinch once their distance changed by this share
  pinchStep: 1.15, // one zoom step per this factor of distance
  swipeDistance: 60, // three fingers travelling this far sideways swipe
});

// Turns touches on the pad into control messages. The page reports fingers put down, moved and
// lifted ({id, x, y} in CSS pixels) with the time in milliseconds, calls tick() on each animation
// frame while fingers are down, and flush() once per frame: motion is summed in between, so at
// most one motion and one scroll message go out per frame.
export class TrackpadGestures {
  constructor(send, onDragArmed = () => {}) {
    this.send = send;
    this.onDragArmed = onDragArmed;
    this.reset();
  }

  reset() {
    this.fingers = new Map();
    this.mode = 'idle';
    this.primary = null;
    this.start = 0;
    this.travel = 0;
    this.armed = false;
    this.maxFingers = 0;
    this.dx = 0;
    this.dy = 0;
    this.scrollSum = 0;
    this.pinchBase = 0;
    this.swipeX = 0;
  }

  get active() { return this.fingers.size > 0; }

  down(touches, now) {
    if (this.fingers.size === 0) {
      this.reset();
      this.mode = 'point';
      this.start = now;
      this.primary = touches[0].id;
    }
    for (const touch of touches) {
      if (!this.fingers.has(touch.id)) this.fingers.set(touch.id, { x: touch.x, y: touch.y });
    }
    const count = this.fingers.size;
    this.maxFingers = Math.max(this.maxFingers, count);
    if (this.mode === 'drag') return; // further fingers do not end a drag
    if (count === 2 && this.mode === 'point') {
      this.mode = 'two';
      this.pinchBase = this.spread();
      this.travel = 0;
    } else if (count === 3 && ['point', 'two', 'scroll', 'pinch'].includes(this.mode)) {
      this.flush();
      this.mode = 'three';
      this.swipeX = 0;
    } else if (count > 3) {
      this.mode = 'done';
    }
  }

  // Fingers moved: `touches` are those that did (all of them, or one at a time as Pointer Events
  // report them). The pointer follows the finger that went down first; two- and three-finger
  // gestures follow the mean travel of every finger on the pad, a finger not reported counting
  // as still, so that a finger coming or going does not make the gesture jump.
  move(touches, now) {
    let sumX = 0;
    let sumY = 0;
    let primary = null;
    for (const touch of touches) {
      const last = this.fingers.get(touch.id);
      if (!last) continue;
      const dx = touch.x - last.x;
      const dy = touch.y - last.y;
      sumX += dx;
      sumY += dy;
      if (touch.id === this.primary) primary = { dx, dy };
      last.x = touch.x;
      last.y = touch.y;
    }
    const count = this.fingers.size;
    switch (this.mode) {
      case 'point':
      case 'drag':
        if (primary) this.pointerMove(primary.dx, primary.dy, now);
        break;
      case 'two':
      case 'scroll':
      case 'pinch':
        if (count >= 2) this.twoFingerMove(sumY / count, Math.hypot(sumX, sumY) / count);
        break;
      case 'three':
        if (count >= 3) this.threeFingerMove(sumX / count);
        break;
      default:
        break;
    }
  }

  // A mouse wheel's or a trackpad's scroll, in the pixels of two-finger travel it stands for.
  scrollBy(dy) {
    this.scrollSum += dy * Gesture.scrollGain;
  }

  pointerMove(dx, dy, now) {
    this.tick(now);
    this.travel += Math.hypot(dx, dy);
    if (this.mode === 'point' && this.armed) {
      this.flush();
      this.send({ dragStart: empty });
      this.mode = 'drag';
    }
    this.dx += dx * Gesture.gain;
    this.dy += dy * Gesture.gain;
  }

  twoFingerMove(dy, distance) {
    const spread = this.spread();
    if (this.mode === 'two') {
      this.travel += distance;
      if (this.pinchBase > 0 && Math.abs(spread / this.pinchBase - 1) >= Gesture.pinchStart) {
        this.mode = 'pinch';
      } else if (this.travel > Gesture.tapSlop) {
        this.mode = 'scroll';
      }
    }
    if (this.mode === 'scroll') {
      this.scrollSum += dy * Gesture.scrollGain;
    } else if (this.mode === 'pinch' && this.pinchBase > 0) {
      const scale = spread / this.pinchBase;
      if (scale >= Gesture.pinchStep || scale <= 1 / Gesture.pinchStep) {
        this.send({ pinch: { scale: round2(scale) } });
        this.pinchBase = spread;
      }
    }
  }

  threeFingerMove(dx) {
    this.swipeX += dx;
    if (Math.abs(this.swipeX) >= Gesture.swipeDistance) {
      // Fingers moving right go back, as a page follows the finger to the previous one.
      this.send(this.swipeX > 0 ? { swipeBack: empty } : { swipeForward: empty });
      this.mode = 'done';
    }
  }

  // Fingers lifted: `touches` are those still down.
  up(touches, now) {
    const still = new Set(touches.map((touch) => touch.id));
    for (const id of [...this.fingers.keys()]) {
      if (!still.has(id)) this.fingers.delete(id);
    }
    if (this.fingers.size > 0) {
      // The finger that drives the pointer went: the rest of the gesture does nothing.
      if ((this.mode === 'point' || this.mode === 'drag') && !still.has(this.primary)) {
        this.finishDrag();
        this.mode = 'done';
      }
      return;
    }
    this.finish(now);
  }

  cancel() {
    this.finishDrag();
    this.flush();
    this.reset();
  }

  finish(now) {
    switch (this.mode) {
      case 'point':
        // Released where it was put down, however long it stayed (a held finger that never
        // moved clicks too).
        if (this.travel <= Gesture.tapSlop) {
          this.flush();
          this.send({ leftClickDown: empty });
          this.send({ leftClickUp: empty });
        }
        break;
      case 'drag':
        this.finishDrag();
        break;
      case 'two':
        if (this.maxFingers === 2 && now - this.start <= Gesture.twoFingerTapMs) {
          this.send({ rightClickDown: empty });
          this.send({ rightClickUp: empty });
        }
        break;
      default:
        break;
    }
    this.flush(true);
    this.reset();
  }

  finishDrag() {
    if (this.mode !== 'drag') return;
    this.flush();
    this.send({ dragEnd: empty });
  }

  // Arms the drag once one finger has stayed put long enough.
  tick(now) {
    if (this.mode === 'point' && !this.armed && this.fingers.size === 1
        && this.travel <= Gesture.holdSlop && now - this.start >= Gesture.holdMs) {
      this.armed = true;
      this.onDragArmed();
    }
  }

  // Sends the motion summed since the last call; true when it sent any. Scrolling goes in whole
  // pixels, keeping the rest for the next frame, since the receiver drops fractions; `last`
  // sends the rest too.
  flush(last = false) {
    let sent = false;
    if (this.dx !== 0 || this.dy !== 0) {
      sent = true;
      const delta = { dx: round2(this.dx), dy: round2(this.dy) };
      this.send(this.mode === 'drag' ? { dragDelta: delta } : { mouseDelta: delta });
      this.dx = 0;
      this.dy = 0;
    }
    const whole = last ? Math.round(this.scrollSum) : Math.trunc(this.scrollSum);
    if (whole !== 0) {
      sent = true;
      this.send({ scroll: { deltaY: whole } });
      this.scrollSum -= whole;
    }
    if (last) this.scrollSum = 0;
    return sent;
  }

  spread() {
    const points = [...this.fingers.values()];
    if (points.length < 2) return 0;
    return Math.hypot(points[0].x - points[1].x, points[0].y - points[1].y);
  }
}
