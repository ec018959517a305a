// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The page's session with the receiver over one WebSocket: the invitation with the kept
// credential or the pairing code, the answers to it, the heartbeat, and trying again after a
// connection went.

const kHeartbeatMs = 5000;
const kSilenceMs = 15000;
const kCredentialKey = 'kavora.credential';
const empty = Object.freeze({});

// "Chrome · Android": how the receiver lists this browser among its devices until the user
// names it otherwise.
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

// What `onState` hears, as (state, detail):
//   connecting                     a socket is opening or the invitation is out
//   pending    {code}              the computer asks its user; the code to compare
//   connected                      joined: messages go both ways
//   waiting                        another controller holds the computer; tries again later
//   lost       {unreachable}       the connection went (or never opened); tries again later
//   refused    {reason}            declined, unanswered, expired-token or unknown-credential;
//                                  waits for connect()
export class Connection {
  // url: the socket's address; storage: where the credential is kept (localStorage);
  // token: the pairing code from the QR code, or null; name(): the name to join under.
  constructor({ url, storage, token, name, onState, onMessage }) {
    Object.assign(this, { url, storage, token, name, onState, onMessage });
    this.socket = null;
    this.state = 'idle';
    this.attempt = 0;
    this.everConnected = false;
    this.failedOpens = 0;
    this.busy = false;
    this.retryTimer = 0;
    this.heartbeatTimer = 0;
    this.silenceTimer = 0;
  }

  get hasCredential() { return Boolean(this.storage.getItem(kCredentialKey)); }

  // Connects now, from a fresh count of attempts.
  connect() {
    this.attempt = 0;
    this.open();
  }

  // The page came back to the front: a wait for the next try is cut short.
  resume() {
    if ((this.state === 'lost' || this.state === 'waiting') && this.retryTimer) this.connect();
  }

  send(message) {
    if (this.state === 'connected' && this.socket?.readyState === WebSocket.OPEN) {
      this.socket.send(JSON.stringify(message));
    }
  }

  open() {
    clearTimeout(this.retryTimer);
    this.retryTimer = 0;
    this.busy = false;
    // Knocking again, the page still says it waits or lost the connection (and tries again).
    if (this.state !== 'waiting' && this.state !== 'lost') this.setState('connecting');
    const socket = new WebSocket(this.url);
    this.socket = socket;
    let opened = false;
    socket.onopen = () => {
      opened = true;
      this.failedOpens = 0;
      const invitation = { displayName: this.name() };
      const credential = this.storage.getItem(kCredentialKey);
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

  receive(message) {
    const [key] = Object.keys(message);
    const body = message[key] ?? {};
    if (this.state === 'connected') this.onMessage(key, body);
    else if (key === 'invitationAnswer') this.answered(body);
  }

  answered(answer) {
    if (answer.accepted === true) {
      this.token = null; // traded for the credential
      if (typeof answer.credential === 'string') this.storage.setItem(kCredentialKey, answer.credential);
      this.attempt = 0;
      this.everConnected = true;
      this.setState('connected');
      this.heartbeatTimer = setInterval(() => this.send({ heartbeat: empty }), kHeartbeatMs);
      this.watchSilence();
      for (const request of ['requestRegisteredApps', 'requestSystemButtons', 'requestFavoriteSites']) {
        this.send({ [request]: empty });
      }
    } else if (answer.accepted === false) {
      this.refused(answer.reason);
    } else if (answer.pending === true) {
      this.setState('pending', { code: codeText(answer.verificationCode) });
    }
  }

  refused(reason) {
    if (reason === 'busy') {
      // Another controller holds the computer: the receiver closes the connection, and lost()
      // knocks again later. A pairing code sent meanwhile was not spent.
      this.busy = true;
      this.setState('waiting');
      return;
    }
    if (reason === 'unknown-credential') {
      this.storage.removeItem(kCredentialKey);
      if (this.token) {
        // Removed, but opened from a new QR code: its pairing code pairs the browser again.
        this.stop();
        this.connect();
        return;
      }
    }
    this.token = null;
    this.stop();
    this.setState('refused', { reason: reason ?? 'declined' });
  }

  // The connection went: try again later, unless the receiver said why not to.
  lost() {
    const was = this.state;
    this.stop();
    if (was === 'refused') return;
    if (was === 'pending') {
      this.setState('refused', { reason: 'unanswered' });
      return;
    }
    if (this.busy) this.setState('waiting');
    else this.setState('lost', { unreachable: this.failedOpens >= 2 && !this.everConnected });
    this.retryTimer = setTimeout(() => this.open(), retryDelay(this.attempt));
    this.attempt += 1;
  }

  // The receiver answers every heartbeat: 15 s without a word from it means the connection is
  // gone, even while the socket still says it is open (a phone that changed networks).
  watchSilence() {
    clearTimeout(this.silenceTimer);
    this.silenceTimer = setTimeout(() => this.lost(), kSilenceMs);
  }

  stop() {
    clearInterval(this.heartbeatTimer);
    clearTimeout(this.silenceTimer);
    this.heartbeatTimer = 0;
    const socket = this.socket;
    this.socket = null;
    if (socket && socket.readyState <= WebSocket.OPEN) socket.close();
  }

  setState(state, detail = {}) {
    this.state = state;
    this.onState(state, detail);
  }
}
