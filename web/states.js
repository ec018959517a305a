// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// What the page shows of its connection: the status in the bar, a notice under it, and the sheet
// on top for what needs the user (naming this device, the verification code, a refusal, the
// certificate notes). All texts come from the language's table.

// The bar's text and the dot's colour for each state.
const kStatus = {
  naming: ['naming', 'connecting'],
  connecting: ['connecting', 'connecting'],
  pending: ['connecting', 'connecting'],
  connected: ['connected', 'connected'],
  waiting: ['waiting', 'waiting'],
  lost: ['lost', 'disconnected'],
  refused: ['refused', 'disconnected'],
};

export function isAppleMobile(userAgent, touchPoints) {
  return /iPhone|iPad/.test(userAgent) || (/Macintosh/.test(userAgent) && touchPoints > 1);
}

export class StateView {
  constructor(texts, retry) {
    this.texts = texts;
    this.retry = retry; // asks the computer again
    this.$ = (id) => document.getElementById(id);
    this.$('help-button').addEventListener('click', () => this.showCertificateHelp());
    this.$('sheet-close').addEventListener('click', () => this.closeSheet());
    this.$('sheet-input').addEventListener('keydown', (event) => {
      if (event.key !== 'Enter' || event.isComposing) return;
      event.preventDefault();
      this.$('sheet-action').click();
    });
  }

  show(state, detail = {}) {
    const t = this.texts;
    const removed = state === 'refused'
      && (detail.reason === 'unknown-credential' || detail.reason === 'expired-token');
    const [text, dot] = kStatus[state];
    this.$('status').dataset.state = dot;
    this.$('status-text').textContent = removed ? t.pairingNeeded : t[text];
    document.body.dataset.state = state;
    document.body.dataset.reason = detail.reason ?? '';
    this.notice({ waiting: t.waitingNotice,
      lost: detail.unreachable ? t.unreachableNotice : t.lostNotice }[state] ?? '');
    if (state === 'connected') this.closeSheet();
    else if (state === 'pending') {
      this.showSheet({ title: t.pendingTitle, text: t.pendingText, code: detail.code, modal: true });
    } else if (removed) {
      this.showSheet({
        title: t.pairingNeeded,
        text: detail.reason === 'unknown-credential' ? t.removedText : t.expiredText,
        action: [t.askComputer, this.retry],
      });
    } else if (state === 'refused') {
      this.showSheet({
        title: t.refused,
        text: detail.reason === 'unanswered' ? t.unansweredText : t.declinedText,
        action: [t.askAgain, this.retry],
      });
    } else if (state === 'lost' && detail.unreachable
               && isAppleMobile(navigator.userAgent, navigator.maxTouchPoints)) {
      // Safari refuses the socket to a certificate it was not told to trust.
      this.showCertificateHelp();
    }
  }

  // Offers the name this device joins under; `done` gets the name the user kept.
  askName(proposed, done) {
    const t = this.texts;
    const input = this.$('sheet-input');
    input.value = proposed;
    this.showSheet({ title: t.nameTitle, text: t.nameText, input: t.nameLabel, modal: true,
      action: [t.nameAction, () => done(input.value.trim() || proposed)] });
  }

  notice(text) {
    this.$('notice').textContent = text;
    this.$('notice').hidden = !text;
  }

  // groups: [heading, [step, ...]] for numbered instructions under headings.
  showSheet({ title, text, code = '', groups = [], link = null, action = null, input = null,
    modal = false }) {
    this.$('sheet-title').textContent = title;
    this.$('sheet-text').textContent = text;
    this.$('sheet-code').textContent = code;
    this.$('sheet-code').hidden = !code;
    this.$('sheet-name').hidden = !input;
    if (input) this.$('sheet-input-label').textContent = input;
    const steps = this.$('sheet-steps');
    steps.replaceChildren(...groups.flatMap(([heading, items]) => {
      const headline = document.createElement('h3');
      headline.textContent = heading;
      const list = document.createElement('ol');
      list.append(...items.map((step) => {
        const item = document.createElement('li');
        item.textContent = step;
        return item;
      }));
      return [headline, list];
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
    this.$('sheet-close').hidden = modal;
    this.$('sheet').hidden = false;
  }

  closeSheet() {
    this.$('sheet').hidden = true;
  }

  showCertificateHelp() {
    const t = this.texts;
    const apple = isAppleMobile(navigator.userAgent, navigator.maxTouchPoints);
    this.showSheet({
      title: t.certificateTitle,
      text: t.certificateText,
      groups: apple ? [t.appleSteps, t.androidSteps] : [t.androidSteps, t.appleSteps],
      link: [t.certificateDownload, '/receiver.crt'],
    });
  }
}
