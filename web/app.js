// The browser controller: a trackpad, a keyboard and a launcher that speak the receiver's
// control messages over one WebSocket. The gesture and text rules at the top need no page, so
// that they can be tried outside a browser; the page itself is wired up at the bottom.

// USB HID keyboard usages of the keys the page sends.
export const Keys = Object.freeze({
  return: 0x28, escape: 0x29, backspace: 0x2a, tab: 0x2b,
  right: 0x4f, left: 0x50, down: 0x51, up: 0x52,
});
// The Command bit of the HID modifier byte; the receiver makes it Control on its desktop.
const kCommand = 0x08;
const kLetterA = 0x04;

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

const round2 = (value) => Math.round(value * 100) / 100;
const empty = Object.freeze({});

// Turns touches on the pad into control messages. The page reports every touch change with the
// fingers then on the pad ({id, x, y} in CSS pixels) and the time in milliseconds, calls tick()
// on each animation frame while fingers are down, and flush() once per frame: motion is summed
// in between, so at most one motion and one scroll message go out per frame.
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

  move(touches, now) {
    // The mean travel of the fingers that were down before: a finger coming or going does not
    // make the gesture jump.
    let sumX = 0;
    let sumY = 0;
    let moved = 0;
    for (const touch of touches) {
      const last = this.fingers.get(touch.id);
      if (!last) continue;
      sumX += touch.x - last.x;
      sumY += touch.y - last.y;
      moved += 1;
      last.x = touch.x;
      last.y = touch.y;
    }
    if (moved === 0) return;
    const dx = sumX / moved;
    const dy = sumY / moved;
    switch (this.mode) {
      case 'point':
      case 'drag':
        if (!touches.some((touch) => touch.id === this.primary)) return;
        this.pointerMove(dx, dy, now);
        break;
      case 'two':
      case 'scroll':
      case 'pinch':
        if (this.fingers.size >= 2) this.twoFingerMove(dy, Math.hypot(dx, dy));
        break;
      case 'three':
        if (this.fingers.size >= 3) this.threeFingerMove(dx);
        break;
      default:
        break;
    }
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

// What a launcher button sends: the messages a native controller sends for its action.
export function messagesForAction(action) {
  if (!action || typeof action !== 'object') return [];
  if (action.shortcut) return keyStroke(action.shortcut.keyCode, action.shortcut.modifier);
  if (action.launchApp) return [{ launchApp: { bundleId: action.launchApp.bundleId } }];
  if (action.textInput) return [{ textInput: { _0: action.textInput._0 } }];
  if (action.missionControl) return [{ missionControl: empty }];
  return [];
}

// "Chrome · Android": how the receiver lists this browser among its devices.
export function deviceName(userAgent, touchPoints = 0) {
  const system = [
    [/Android/, 'Android'], [/iPhone/, 'iPhone'], [/iPad/, 'iPad'],
    [/Macintosh/, touchPoints > 1 ? 'iPad' : 'Mac'], [/Windows/, 'Windows'],
    [/CrOS/, 'ChromeOS'], [/Linux/, 'Linux'],
  ].find(([pattern]) => pattern.test(userAgent));
  const browser = [
    [/EdgA?\/|EdgiOS/, 'Edge'], [/SamsungBrowser/, 'Samsung Internet'],
    [/Firefox|FxiOS/, 'Firefox'], [/Chrome|CriOS/, 'Chrome'], [/Safari/, 'Safari'],
  ].find(([pattern]) => pattern.test(userAgent));
  return `${browser ? browser[1] : 'ブラウザ'} · ${system ? system[1] : '端末'}`;
}

// "123 456", as the computer shows the verification code.
export function codeText(code) {
  return /^\d{6}$/.test(code) ? `${code.slice(0, 3)} ${code.slice(3)}` : String(code ?? '');
}

// Reconnection waits: doubling from half a second up to 15 s, with some spread so that several
// pages do not knock at the same moment.
export function retryDelay(attempt, random = Math.random) {
  const base = Math.min(15000, 500 * 2 ** Math.min(attempt, 5));
  return Math.round(base * (0.8 + 0.4 * random()));
}

const kHeartbeatMs = 5000;
const kSilenceMs = 15000;
const kCredentialKey = 'kavora.credential';
const kSentinel = '\u200b'; // a zero-width space
const base64 = /^(?:[A-Za-z0-9+/]{4})*(?:[A-Za-z0-9+/]{2}==|[A-Za-z0-9+/]{3}=)?$/;

function iconUrl(png) {
  return typeof png === 'string' && png.length > 0 && base64.test(png)
    ? `data:image/png;base64,${png}` : null;
}

// The launcher buttons' symbols as 24 × 24 stroke drawings; a button without one shows its
// initial.
const symbols = {
  'doc.on.doc': 'M8 8h11v13H8z M5 16V3h11',
  'doc.on.clipboard': 'M6 5h12v16H6z M9 3h6v4H9z',
  'arrow.uturn.backward': 'M9 14L4 9l5-5 M4 9h10a6 6 0 010 12h-3',
  'arrow.uturn.forward': 'M15 14l5-5-5-5 M20 9H10a6 6 0 000 12h3',
  'square.and.arrow.down': 'M12 3v12 M7 10l5 5 5-5 M5 21h14',
  'checkmark.rectangle': 'M3 5h18v14H3z M8 12l3 3 5-6',
  magnifyingglass: 'M10.5 4a6.5 6.5 0 110 13 6.5 6.5 0 010-13z M15.5 15.5L21 21',
  'xmark.square': 'M4 4h16v16H4z M9 9l6 6 M15 9l-6 6',
  'rectangle.grid.2x2': 'M4 4h7v7H4z M13 4h7v7h-7z M4 13h7v7H4z M13 13h7v7h-7z',
  'camera.viewfinder': 'M3 8V3h5 M16 3h5v5 M21 16v5h-5 M8 21H3v-5 M12 9a3 3 0 110 6 3 3 0 010-6z',
  'magnifyingglass.circle': 'M12 2a10 10 0 110 20 10 10 0 010-20z M11 7a4 4 0 110 8 4 4 0 010-8z M14 14l3 3',
  'rectangle.2.swap': 'M4 7h13 M14 4l3 3-3 3 M20 17H7 M10 14l-3 3 3 3',
  folder: 'M3 6h6l2 2h10v11H3z',
  'text.cursor': 'M12 4v16 M8 4h8 M8 20h8',
};

function symbolPicture(name) {
  const drawing = symbols[name];
  if (!drawing) return null;
  const ns = 'http://www.w3.org/2000/svg';
  const svg = document.createElementNS(ns, 'svg');
  svg.setAttribute('viewBox', '0 0 24 24');
  svg.setAttribute('aria-hidden', 'true');
  const path = document.createElementNS(ns, 'path');
  path.setAttribute('d', drawing);
  svg.append(path);
  return svg;
}

class Page {
  constructor() {
    this.$ = (id) => document.getElementById(id);
    this.socket = null;
    this.state = 'disconnected';
    this.attempt = 0;
    this.everConnected = false;
    this.failedOpens = 0;
    this.retryTimer = 0;
    this.heartbeatTimer = 0;
    this.silenceTimer = 0;
    this.composing = false;
    this.token = this.takeToken();
    this.gestures = new TrackpadGestures((message) => this.send(message), () => {
      if (navigator.vibrate) navigator.vibrate(15);
      this.$('pad').classList.add('armed');
    });
    this.frame = 0;
    this.sentThisFrame = false;
  }

  // The one-time pairing token from the QR code's address: read once, then taken out of the
  // address bar so that it stays out of the history and of bookmarks.
  takeToken() {
    const match = /(?:^#|&)t=([A-Za-z0-9_-]+)/.exec(location.hash);
    if (location.hash) history.replaceState(null, '', location.pathname + location.search);
    return match ? match[1] : null;
  }

  start() {
    this.wireTabs();
    this.wirePad();
    this.wireKeyboard();
    this.wireVolume();
    this.$('help-button').addEventListener('click', () => this.showCertificateHelp());
    this.$('sheet-close').addEventListener('click', () => this.closeSheet());
    document.addEventListener('visibilitychange', () => {
      if (document.visibilityState === 'visible' && this.state === 'disconnected'
          && this.retryTimer) this.connectNow();
    });
    this.connect();
  }

  // Connection ---------------------------------------------------------------------------

  connect() {
    clearTimeout(this.retryTimer);
    this.retryTimer = 0;
    this.setState('connecting');
    const scheme = location.protocol === 'https:' ? 'wss:' : 'ws:';
    const socket = new WebSocket(`${scheme}//${location.host}/ws`);
    this.socket = socket;
    let opened = false;
    socket.onopen = () => {
      opened = true;
      this.failedOpens = 0;
      const invitation = { displayName: deviceName(navigator.userAgent, navigator.maxTouchPoints) };
      const credential = localStorage.getItem(kCredentialKey);
      if (credential) invitation.credential = credential;
      else if (this.token) invitation.pairingToken = this.token;
      socket.send(JSON.stringify({ invitation }));
    };
    socket.onmessage = (event) => {
      if (socket !== this.socket) return;
      if (this.state === 'connected') this.watchSilence();
      let message;
      try { message = JSON.parse(event.data); } catch { return; }
      if (message && typeof message === 'object') this.receive(message);
    };
    socket.onclose = () => {
      if (socket !== this.socket) return;
      if (!opened) this.failedOpens += 1;
      this.lost();
    };
  }

  connectNow() {
    this.attempt = 0;
    this.connect();
  }

  // The connection went: try again later, unless the receiver said why not to.
  lost() {
    const was = this.state;
    this.stopSession();
    if (was === 'refused') return;
    if (was === 'pending') {
      this.setState('disconnected');
      this.showSheet({
        title: '許可されませんでした',
        text: 'コンピュータで許可されないまま時間が過ぎました。もう一度お試しください。',
        action: ['もう一度頼む', () => this.connectNow()],
      });
      return;
    }
    this.setState('disconnected');
    if (this.failedOpens >= 2 && !this.everConnected && isAppleMobile()) {
      this.showCertificateHelp();
    }
    this.retryTimer = setTimeout(() => this.connect(), retryDelay(this.attempt));
    this.attempt += 1;
  }

  stopSession() {
    clearInterval(this.heartbeatTimer);
    clearTimeout(this.silenceTimer);
    this.heartbeatTimer = 0;
    this.gestures.cancel();
    const socket = this.socket;
    this.socket = null;
    if (socket && socket.readyState <= WebSocket.OPEN) socket.close();
  }

  receive(message) {
    const [key] = Object.keys(message);
    const body = message[key] ?? {};
    if (this.state !== 'connected') {
      if (key === 'invitationAnswer') this.answered(body);
      return;
    }
    switch (key) {
      case 'registeredAppList': this.showApps(body.apps); break;
      case 'systemButtons': this.showSystemButtons(body.buttons); break;
      case 'favoriteSites': this.showSites(body.sites); break;
      default: break; // heartbeat echoes only keep the connection alive
    }
  }

  answered(answer) {
    if (answer.accepted === true) {
      this.token = null; // traded for the credential
      if (typeof answer.credential === 'string') localStorage.setItem(kCredentialKey, answer.credential);
      this.attempt = 0;
      this.everConnected = true;
      this.closeSheet();
      this.setState('connected');
      this.heartbeatTimer = setInterval(() => this.send({ heartbeat: empty }), kHeartbeatMs);
      this.watchSilence();
      for (const request of ['requestRegisteredApps', 'requestSystemButtons', 'requestFavoriteSites']) {
        this.send({ [request]: empty });
      }
    } else if (answer.accepted === false) {
      this.refused(answer.reason);
    } else if (answer.pending === true) {
      this.setState('pending');
      this.showSheet({
        title: 'コンピュータで許可してください',
        text: 'コンピュータに表示された確認コードが次の番号と同じか確かめてから、許可してください。',
        code: codeText(answer.verificationCode),
      });
    }
  }

  refused(reason) {
    if (reason === 'busy') {
      // Another controller holds the computer: keep trying quietly.
      this.notice('ほかの端末が操作中です。空いたら自動で接続します。');
      return; // the receiver closes the connection; lost() schedules the next try
    }
    if (reason === 'unknown-credential') {
      localStorage.removeItem(kCredentialKey);
      if (this.token) {
        // Removed, but opened from a new QR code: its pairing code pairs the browser again.
        this.stopSession();
        this.connectNow();
        return;
      }
    }
    // A busy receiver keeps the pairing code for the next try; any other refusal ends it.
    this.token = null;
    this.setState('refused');
    if (reason === 'unknown-credential' || reason === 'expired-token') {
      this.showSheet({
        title: 'ペアリングが必要です',
        text: (reason === 'unknown-credential'
          ? 'この端末はコンピュータの登録から外されました。'
          : '読み取ったコードは期限が切れているか、すでに使われています。')
          + 'コンピュータの設定画面の「ブラウザから操作」に表示されるQRコードを、もう一度読み取ってください。',
        action: ['コンピュータで許可する', () => this.connectNow()],
      });
    } else {
      this.showSheet({
        title: '許可されませんでした',
        text: 'コンピュータで操作が許可されませんでした。しばらくしてから、もう一度お試しください。',
        action: ['もう一度頼む', () => this.connectNow()],
      });
    }
    this.stopSession();
  }

  // The receiver answers every heartbeat: 15 s without a word from it means the connection is
  // gone, even while the socket still says it is open (a phone that changed networks).
  watchSilence() {
    clearTimeout(this.silenceTimer);
    this.silenceTimer = setTimeout(() => this.lost(), kSilenceMs);
  }

  send(message) {
    if (this.state === 'connected' && this.socket?.readyState === WebSocket.OPEN) {
      this.socket.send(JSON.stringify(message));
    }
  }

  setState(state) {
    this.state = state;
    const shown = { connected: 'connected', connecting: 'connecting', pending: 'connecting' }[state]
      ?? 'disconnected';
    const texts = { connected: '接続中', connecting: '接続しています…', disconnected: '切断されました' };
    this.$('status').dataset.state = shown;
    this.$('status-text').textContent = texts[shown];
    document.body.dataset.state = shown;
    if (state === 'connected') this.notice('');
  }

  notice(text) {
    this.$('notice').textContent = text;
    this.$('notice').hidden = !text;
  }

  // Sheets ---------------------------------------------------------------------------------

  // groups: [heading, [step, ...]] for numbered instructions under headings.
  showSheet({ title, text, code = '', groups = [], link = null, action = null }) {
    this.$('sheet-title').textContent = title;
    this.$('sheet-text').textContent = text;
    this.$('sheet-code').textContent = code;
    this.$('sheet-code').hidden = !code;
    const steps = this.$('sheet-steps');
    steps.replaceChildren(...groups.flatMap(([heading, items]) => {
      const title = document.createElement('h3');
      title.textContent = heading;
      const list = document.createElement('ol');
      list.append(...items.map((step) => {
        const item = document.createElement('li');
        item.textContent = step;
        return item;
      }));
      return [title, list];
    }));
    steps.hidden = groups.length === 0;
    const anchor = this.$('sheet-link');
    anchor.hidden = !link;
    if (link) {
      anchor.textContent = link[0];
      anchor.href = link[1];
      anchor.setAttribute('download', 'kavora-receiver.crt');
    }
    const button = this.$('sheet-action');
    button.hidden = !action;
    button.onclick = action ? () => { this.closeSheet(); action[1](); } : null;
    if (action) button.textContent = action[0];
    this.$('sheet-close').hidden = this.state === 'pending';
    this.$('sheet').hidden = false;
  }

  closeSheet() {
    this.$('sheet').hidden = true;
  }

  showCertificateHelp() {
    const apple = isAppleMobile();
    const android = ['Android（Chrome）', [
      '「この接続ではプライバシーが保護されません」と表示されたら「詳細設定」をタップします。',
      '「…にアクセスする（安全ではありません）」をタップすると、このページが開きます。',
    ]];
    const ios = ['iPhone・iPad（Safari）', [
      '下のボタンでコンピュータの証明書をダウンロードし、「許可」をタップします。',
      '設定 > 一般 > VPNとデバイス管理 で、ダウンロードしたプロファイルをインストールします。',
      '設定 > 一般 > 情報 > 証明書信頼設定 で、その証明書をオンにします。',
      'このページを開き直します。',
    ]];
    this.showSheet({
      title: '証明書について',
      text: 'このページはコンピュータ自身の証明書で暗号化されています。ブラウザが警告を出したら、アドレスがコンピュータに表示されたものと同じか確かめてから、次の手順で進んでください。',
      groups: apple ? [ios, android] : [android, ios],
      link: ['証明書をダウンロード', '/receiver.crt'],
    });
  }

  // Views --------------------------------------------------------------------------------

  wireTabs() {
    for (const tab of document.querySelectorAll('.tab')) {
      tab.addEventListener('click', () => this.showView(tab.dataset.view));
    }
  }

  showView(name) {
    for (const tab of document.querySelectorAll('.tab')) {
      if (tab.dataset.view === name) tab.setAttribute('aria-current', 'page');
      else tab.removeAttribute('aria-current');
    }
    for (const view of document.querySelectorAll('.view')) {
      view.hidden = view.id !== `view-${name}`;
    }
    // Focusing inside the tap brings up the phone's keyboard.
    if (name === 'keyboard') this.$('text-sink').focus();
    else this.$('text-sink').blur();
  }

  // Touch Events rather than Pointer Events: each event lists every finger on the pad and which
  // of them changed, which is what two- and three-finger gestures are decided on (pointer
  // events come one per finger, and the set would have to be rebuilt from them), and phones'
  // browsers all have them. The pad's touch-action: none keeps the browser from scrolling or
  // zooming the page under the fingers.
  wirePad() {
    const pad = this.$('pad');
    const touches = (list) => Array.from(list, (t) => ({ id: t.identifier, x: t.clientX, y: t.clientY }));
    const handle = (event, what) => {
      event.preventDefault();
      const now = event.timeStamp || performance.now();
      if (what === 'down') this.gestures.down(touches(event.changedTouches), now);
      else if (what === 'move') {
        this.gestures.move(touches(event.changedTouches), now);
        // The first motion of a frame goes at once; what follows it waits for the next frame.
        if (!this.sentThisFrame) this.sentThisFrame = this.gestures.flush();
      }
      else if (what === 'up') this.gestures.up(touches(event.touches), now);
      else this.gestures.cancel();
      pad.classList.toggle('touched', this.gestures.active);
      if (!this.gestures.active) pad.classList.remove('armed');
      this.scheduleFrame();
    };
    pad.addEventListener('touchstart', (e) => handle(e, 'down'), { passive: false });
    pad.addEventListener('touchmove', (e) => handle(e, 'move'), { passive: false });
    pad.addEventListener('touchend', (e) => handle(e, 'up'), { passive: false });
    pad.addEventListener('touchcancel', (e) => handle(e, 'cancel'), { passive: false });
  }

  // At most one message of summed motion per animation frame while fingers are down: the first
  // motion after a quiet frame goes as it comes, the rest at the frame's end.
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

  wireKeyboard() {
    const sink = this.$('text-sink');
    const sendAll = (messages) => messages.forEach((message) => this.send(message));
    const type = (text) => { if (text) this.send({ textInput: { _0: text } }); };
    // The field always holds one invisible character before the caret: a phone keyboard sends
    // nothing for Backspace in an empty field, and this keeps it something to delete.
    const reset = () => {
      sink.value = kSentinel;
      sink.setSelectionRange(kSentinel.length, kSentinel.length);
    };
    sink.addEventListener('focus', reset);
    sink.addEventListener('keydown', (event) => {
      // 229: a phone keyboard or an input method owns the key; its text comes as input events.
      if (event.isComposing || this.composing || event.keyCode === 229) return;
      const stroke = strokeForKey(event);
      if (!stroke) return;
      event.preventDefault(); // no beforeinput follows, so the key goes once
      sendAll(stroke);
    });
    sink.addEventListener('beforeinput', (event) => {
      if (event.isComposing || this.composing) return;
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
    sink.addEventListener('compositionstart', () => { this.composing = true; });
    sink.addEventListener('compositionend', (event) => {
      this.composing = false;
      type(event.data);
      reset();
    });
    sink.addEventListener('input', (event) => {
      if (this.composing) return;
      const text = sink.value.replaceAll(kSentinel, '');
      reset();
      // What a composition left behind went out with compositionend (some browsers report it
      // after that event); other text got here without a cancelable beforeinput.
      if (!/Composition/.test(event.inputType ?? '')) type(text);
    });
    for (const key of document.querySelectorAll('.key')) {
      key.addEventListener('click', () => sendAll(keyStroke(Keys[key.dataset.key])));
    }
  }

  wireVolume() {
    this.$('volume-down').addEventListener('click', () => this.send({ volumeDelta: { steps: -1 } }));
    this.$('volume-up').addEventListener('click', () => this.send({ volumeDelta: { steps: 1 } }));
    this.$('mute').addEventListener('click', () => this.send({ muteToggle: empty }));
  }

  // Launcher -------------------------------------------------------------------------------

  tile(className, name, icon, fallback, onTap) {
    const button = document.createElement('button');
    button.type = 'button';
    button.className = className;
    const picture = document.createElement('span');
    picture.className = 'icon';
    const url = iconUrl(icon);
    if (url) {
      const image = document.createElement('img');
      image.alt = '';
      image.src = url;
      picture.append(image);
    } else if (fallback instanceof Node) {
      picture.append(fallback);
    } else {
      picture.textContent = fallback;
    }
    const label = document.createElement('span');
    label.className = 'name';
    label.textContent = name;
    button.append(picture, label);
    button.addEventListener('click', onTap);
    return button;
  }

  fill(container, items, emptyText) {
    if (items.length > 0) {
      container.replaceChildren(...items);
    } else {
      const note = document.createElement('p');
      note.className = 'empty';
      note.textContent = emptyText;
      container.replaceChildren(note);
    }
  }

  showApps(apps) {
    const list = Array.isArray(apps) ? apps : [];
    this.fill(this.$('apps'), list.map((app) => this.tile('app', app.name, app.iconPNG,
      initial(app.name), () => this.send({ launchApp: { bundleId: app.bundleId } }))),
    '登録されたアプリはありません。コンピュータの設定画面で登録できます。');
  }

  showSites(sites) {
    const list = Array.isArray(sites) ? sites : [];
    this.fill(this.$('sites'), list.map((site) => {
      const open = { url: site.url };
      if (site.browserBundleId) open.browserBundleId = site.browserBundleId;
      const tile = this.tile('site', site.name, site.iconPNG, initial(site.name),
        () => this.send({ openURL: open }));
      const address = document.createElement('span');
      address.className = 'address';
      address.textContent = hostOf(site.url);
      tile.querySelector('.name').after(address);
      return tile;
    }), 'お気に入りサイトはありません。コンピュータの設定画面で追加できます。');
  }

  showSystemButtons(buttons) {
    const list = Array.isArray(buttons) ? buttons : [];
    this.$('system-buttons').replaceChildren(...list.map((button) => {
      const tile = this.tile('system', button.label, null,
        symbolPicture(button.sfSymbol) ?? initial(button.label),
        () => messagesForAction(button.action).forEach((message) => this.send(message)));
      if (/^[0-9A-Fa-f]{6}$/.test(button.colorHex)) tile.style.setProperty('--tint', `#${button.colorHex}`);
      return tile;
    }));
  }
}

function initial(name) {
  return String(name ?? '').trim().charAt(0).toUpperCase() || '・';
}

function hostOf(url) {
  try { return new URL(url).host; } catch { return String(url ?? ''); }
}

function isAppleMobile() {
  return /iPhone|iPad/.test(navigator.userAgent)
    || (/Macintosh/.test(navigator.userAgent) && navigator.maxTouchPoints > 1);
}

if (typeof document !== 'undefined') {
  const page = new Page();
  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', () => page.start());
  else page.start();
}
