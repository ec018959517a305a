// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Keeps the phone's screen on while the page is connected and in front (Screen Wake Lock, where
// the browser has it). The browser drops the lock when the page is hidden; it is taken again when
// the page comes back, and let go when the connection ends.
export class ScreenAwake {
  constructor(wakeLock = navigator.wakeLock) {
    this.wakeLock = wakeLock;
    this.wanted = false;
    this.lock = null;
    this.asking = false;
    document.addEventListener('visibilitychange', () => this.follow());
  }

  set connected(connected) {
    this.wanted = connected;
    this.follow();
  }

  async follow() {
    if (!this.wakeLock) return;
    const keep = this.wanted && document.visibilityState === 'visible';
    if (!keep && this.lock) {
      const lock = this.lock;
      this.lock = null;
      await lock.release().catch(() => {});
    } else if (keep && !this.lock && !this.asking) {
      this.asking = true;
      try {
        const lock = await this.wakeLock.request('screen');
        lock.addEventListener('release', () => { if (this.lock === lock) this.lock = null; });
        this.lock = lock;
        // Asked for while the page was connected; it may have gone meanwhile.
        if (!(this.wanted && document.visibilityState === 'visible')) this.follow();
      } catch {
        // Refused (battery saver, a page not in front): the screen keeps its own timeout.
      } finally {
        this.asking = false;
      }
    }
  }
}
