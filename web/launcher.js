// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The launcher view: the computer's system buttons, registered apps and favourite sites, as the
// receiver lists them, each a button that sends what its action names.
import { keyStroke } from './keyboard.js';

const empty = Object.freeze({});

// What a launcher button sends: the messages a native controller sends for its action.
export function messagesForAction(action) {
  if (!action || typeof action !== 'object') return [];
  if (action.shortcut) return keyStroke(action.shortcut.keyCode, action.shortcut.modifier);
  if (action.launchApp) return [{ launchApp: { bundleId: action.launchApp.bundleId } }];
  if (action.textInput) return [{ textInput: { _0: action.textInput._0 } }];
  if (action.missionControl) return [{ missionControl: empty }];
  return [];
}

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

// One button of the launcher: its icon (a PNG, a drawing or an initial) over its name.
function tile(className, name, icon, fallback, onTap) {
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

// A list's buttons, or its note when it has none.
function fill(container, items, emptyText) {
  if (items.length > 0) {
    container.replaceChildren(...items);
  } else {
    const note = document.createElement('p');
    note.className = 'empty';
    note.textContent = emptyText;
    container.replaceChildren(note);
  }
}

// Fills the launcher's three lists; `send` takes each message a button sends, `texts` the notes
// shown for an empty list.
export class Launcher {
  constructor(elements, send, texts) {
    this.elements = elements; // { systemButtons, apps, sites }
    this.send = send;
    this.texts = texts;
  }

  showApps(apps) {
    const list = Array.isArray(apps) ? apps : [];
    fill(this.elements.apps, list.map((app) => tile('app', app.name, app.iconPNG,
      initial(app.name), () => this.send({ launchApp: { bundleId: app.bundleId } }))),
    this.texts.noApps);
  }

  showSites(sites) {
    const list = Array.isArray(sites) ? sites : [];
    fill(this.elements.sites, list.map((site) => {
      const open = { url: site.url };
      if (site.browserBundleId) open.browserBundleId = site.browserBundleId;
      const button = tile('site', site.name, site.iconPNG, initial(site.name),
        () => this.send({ openURL: open }));
      const address = document.createElement('span');
      address.className = 'address';
      address.textContent = hostOf(site.url);
      button.querySelector('.name').after(address);
      return button;
    }), this.texts.noSites);
  }

  showSystemButtons(buttons) {
    const list = Array.isArray(buttons) ? buttons : [];
    this.elements.systemButtons.replaceChildren(...list.map((item) => {
      const button = tile('system', item.label, null,
        symbolPicture(item.sfSymbol) ?? initial(item.label),
        () => messagesForAction(item.action).forEach((message) => this.send(message)));
      if (/^[0-9A-Fa-f]{6}$/.test(item.colorHex)) button.style.setProperty('--tint', `#${item.colorHex}`);
      return button;
    }));
  }
}

function initial(name) {
  return String(name ?? '').trim().charAt(0).toUpperCase() || '・';
}

function hostOf(url) {
  try { return new URL(url).host; } catch { return String(url ?? ''); }
}
