// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The browser controller: a trackpad, a keyboard and a launcher that speak the receiver's
// control messages over one WebSocket. This module puts the page's parts together.
import { ScreenAwake } from './awake.js';
import { Connection, deviceName } from './connection.js';
import { wireKeyboard } from './keyboard.js';
import { Launcher } from './launcher.js';
import { Pad } from './pad.js';
import { StateView } from './states.js';
import { applyTexts, textsFor } from './texts.js';

const kNameKey = 'kavora.name';
const empty = Object.freeze({});
const $ = (id) => document.getElementById(id);

// The one-time pairing token from the QR code's address: read once, then taken out of the
// address bar so that it stays out of the history and of bookmarks.
function takeToken() {
  const match = /(?:^#|&)t=([A-Za-z0-9_-]+)/.exec(location.hash);
  if (location.hash) history.replaceState(null, '', location.pathname + location.search);
  return match ? match[1] : null;
}

function showView(name) {
  for (const tab of document.querySelectorAll('.tab')) {
    if (tab.dataset.view === name) tab.setAttribute('aria-current', 'page');
    else tab.removeAttribute('aria-current');
  }
  for (const view of document.querySelectorAll('.view')) {
    view.hidden = view.id !== `view-${name}`;
  }
  // Focusing inside the tap brings up the phone's keyboard.
  if (name === 'keyboard') $('text-sink').focus();
  else $('text-sink').blur();
}

function start() {
  const texts = textsFor(navigator.languages ?? [navigator.language]);
  applyTexts(document, texts);
  const proposedName = () => localStorage.getItem(kNameKey)
    || deviceName(navigator.userAgent, navigator.maxTouchPoints);
  const scheme = location.protocol === 'https:' ? 'wss:' : 'ws:';
  const send = (message) => connection.send(message);
  const pad = new Pad($('pad'), send);
  const awake = new ScreenAwake();
  const launcher = new Launcher(
    { systemButtons: $('system-buttons'), apps: $('apps'), sites: $('sites') }, send, texts);
  let named = false;
  // A browser without a credential is about to be paired: it is offered its name first, once.
  const join = () => {
    if (named || connection.hasCredential) {
      connection.connect();
      return;
    }
    view.show('naming');
    view.askName(proposedName(), (name) => {
      localStorage.setItem(kNameKey, name);
      named = true;
      connection.connect();
    });
  };
  const view = new StateView(texts, join);
  const connection = new Connection({
    url: `${scheme}//${location.host}/ws`,
    storage: localStorage,
    token: takeToken(),
    name: proposedName,
    onState: (state, detail) => {
      if (state !== 'connected') pad.cancel();
      awake.connected = state === 'connected';
      view.show(state, detail);
    },
    onMessage: (key, body) => {
      if (key === 'registeredAppList') launcher.showApps(body.apps);
      else if (key === 'systemButtons') launcher.showSystemButtons(body.buttons);
      else if (key === 'favoriteSites') launcher.showSites(body.sites);
      // heartbeat echoes only keep the connection alive
    },
  });

  for (const tab of document.querySelectorAll('.tab')) {
    tab.addEventListener('click', () => showView(tab.dataset.view));
  }
  wireKeyboard($('text-sink'), document.querySelectorAll('.key'), send);
  $('volume-down').addEventListener('click', () => send({ volumeDelta: { steps: -1 } }));
  $('volume-up').addEventListener('click', () => send({ volumeDelta: { steps: 1 } }));
  $('mute').addEventListener('click', () => send({ muteToggle: empty }));
  document.addEventListener('visibilitychange', () => {
    if (document.visibilityState === 'visible') connection.resume();
  });
  join();
}

if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);
else start();
