// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Every text the page shows, one table per language. Japanese is shown to a browser that asks
// for it before it asks for English; every other browser gets English.

const ja = {
  lang: 'ja',
  manifest: 'manifest.webmanifest',
  appTitle: 'Kavoraリモコン',
  // The connection, in the bar at the top.
  connecting: '接続しています…',
  connected: '接続中',
  waiting: '順番待ち',
  lost: '接続が切れました',
  refused: '許可されませんでした',
  pairingNeeded: 'ペアリングが必要です',
  naming: '接続の準備',
  // Notices under the bar.
  waitingNotice: 'ほかの端末がこのコンピュータを操作中です。その端末の接続が終わると、自動で接続します。',
  lostNotice: 'コンピュータとの接続が切れました。自動で接続し直しています…',
  unreachableNotice: 'コンピュータにつながりません。Kavoraが起動していて「ブラウザから操作」がオンになっているか確かめてください。自動で接続し直します。',
  // The bar's buttons.
  volume: '音量',
  volumeDown: '音量を下げる',
  mute: '消音',
  muteLabel: '消音の切り替え',
  volumeUp: '音量を上げる',
  help: '証明書と接続について',
  // Views and tabs.
  views: '表示の切り替え',
  trackpad: 'トラックパッド',
  keyboard: 'キーボード',
  launcher: 'ランチャー',
  padHint: '1本指で移動・タップでクリック\n2本指でスクロール・タップで右クリック\n長押ししてから動かすとドラッグ',
  typeHint: 'ここをタップして入力してください',
  typeNote: '入力した文字はすぐにコンピュータへ送られます',
  typeLabel: 'コンピュータへ送る文字',
  keys: 'キー',
  up: '上',
  down: '下',
  left: '左',
  right: '右',
  backspace: '削除',
  returnKey: '改行',
  apps: 'アプリ',
  sites: 'お気に入りサイト',
  noApps: '登録されたアプリはありません。コンピュータの設定画面で登録できます。',
  noSites: 'お気に入りサイトはありません。コンピュータの設定画面で追加できます。',
  // Sheets.
  close: '閉じる',
  nameTitle: 'この端末の名前',
  nameText: 'コンピュータの信頼済みの端末に、この名前で表示されます。同じ種類の端末がほかにもあるときは、見分けられる名前にしてください。',
  nameLabel: '端末の名前',
  nameAction: '接続する',
  pendingTitle: 'コンピュータで許可してください',
  pendingText: 'コンピュータに表示された確認コードが次の番号と同じか確かめてから、許可してください。',
  removedText: 'この端末はコンピュータの登録から外されました。コンピュータの設定画面の「ブラウザから操作」に表示されるQRコードを、もう一度読み取ってください。',
  expiredText: '読み取ったコードは期限が切れているか、すでに使われています。コンピュータの設定画面の「ブラウザから操作」に表示されるQRコードを、もう一度読み取ってください。',
  askComputer: 'コンピュータで許可する',
  declinedText: 'コンピュータで操作が許可されませんでした。しばらくしてから、もう一度お試しください。',
  unansweredText: 'コンピュータで許可されないまま時間が過ぎました。もう一度お試しください。',
  askAgain: 'もう一度頼む',
  certificateTitle: '証明書について',
  certificateText: 'このページはコンピュータ自身の証明書で暗号化されています。ブラウザが警告を出したら、アドレスがコンピュータに表示されたものと同じか確かめてから、次の手順で進んでください。',
  certificateDownload: '証明書をダウンロード',
  androidSteps: ['Android（Chrome）', [
    '「この接続ではプライバシーが保護されません」と表示されたら「詳細設定」をタップします。',
    '「…にアクセスする（安全ではありません）」をタップすると、このページが開きます。',
  ]],
  appleSteps: ['iPhone・iPad（Safari）', [
    '下のボタンでコンピュータの証明書をダウンロードし、「許可」をタップします。',
    '設定 > 一般 > VPNとデバイス管理 で、ダウンロードしたプロファイルをインストールします。',
    '設定 > 一般 > 情報 > 証明書信頼設定 で、その証明書をオンにします。',
    'このページを開き直します。',
  ]],
};

const en = {
  lang: 'en',
  manifest: 'manifest-en.webmanifest',
  appTitle: 'Kavora',
  connecting: 'Connecting…',
  connected: 'Connected',
  waiting: 'Waiting',
  lost: 'Connection lost',
  refused: 'Not allowed',
  pairingNeeded: 'Pairing needed',
  naming: 'Ready to connect',
  waitingNotice: 'Another device is controlling this computer. This page connects by itself as soon as that device disconnects.',
  lostNotice: 'The connection to the computer was lost. Connecting again…',
  unreachableNotice: 'The computer cannot be reached. Check that Kavora is running and “Control from a browser” is on. This page keeps trying.',
  volume: 'Volume',
  volumeDown: 'Volume down',
  mute: 'Mute',
  muteLabel: 'Mute on or off',
  volumeUp: 'Volume up',
  help: 'About the certificate and connecting',
  views: 'Views',
  trackpad: 'Trackpad',
  keyboard: 'Keyboard',
  launcher: 'Launcher',
  padHint: 'One finger moves, a tap clicks\nTwo fingers scroll, a two-finger tap right-clicks\nTouch and hold, then move to drag',
  typeHint: 'Tap here to type',
  typeNote: 'What you type goes to the computer at once',
  typeLabel: 'Text for the computer',
  keys: 'Keys',
  up: 'Up',
  down: 'Down',
  left: 'Left',
  right: 'Right',
  backspace: 'Delete',
  returnKey: 'Return',
  apps: 'Apps',
  sites: 'Favorite sites',
  noApps: 'No apps registered. Add them in the computer’s settings window.',
  noSites: 'No favorite sites. Add them in the computer’s settings window.',
  close: 'Close',
  nameTitle: 'Name this device',
  nameText: 'The computer lists this device under this name among its trusted devices. If you have another device of the same kind, give each a name you can tell apart.',
  nameLabel: 'Device name',
  nameAction: 'Connect',
  pendingTitle: 'Allow on the computer',
  pendingText: 'Check that the computer shows the same verification code as below, then allow it there.',
  removedText: 'This device was removed from the computer’s trusted devices. Scan the QR code shown under “Control from a browser” in the computer’s settings window again.',
  expiredText: 'The code you scanned has expired or was used already. Scan the QR code shown under “Control from a browser” in the computer’s settings window again.',
  askComputer: 'Ask the computer',
  declinedText: 'The computer did not allow control. Try again in a little while.',
  unansweredText: 'Nobody allowed it on the computer in time. Try again.',
  askAgain: 'Ask again',
  certificateTitle: 'About the certificate',
  certificateText: 'This page is encrypted with the computer’s own certificate. If the browser warns about it, check that the address is the one the computer shows, then follow these steps.',
  certificateDownload: 'Download the certificate',
  androidSteps: ['Android (Chrome)', [
    'When it says “Your connection is not private”, tap “Advanced”.',
    'Tap “Proceed to … (unsafe)”: this page opens.',
  ]],
  appleSteps: ['iPhone and iPad (Safari)', [
    'Download the computer’s certificate with the button below and tap “Allow”.',
    'In Settings > General > VPN & Device Management, install the downloaded profile.',
    'In Settings > General > About > Certificate Trust Settings, switch the certificate on.',
    'Open this page again.',
  ]],
};

export const tables = Object.freeze({ ja, en });

// The table for a browser's languages (navigator.languages, most wanted first): the first of
// them that is Japanese or English decides; English when none is.
export function textsFor(languages) {
  for (const tag of languages ?? []) {
    const primary = String(tag).toLowerCase().split(/[-_]/)[0];
    if (primary === 'ja' || primary === 'en') return tables[primary];
  }
  return tables.en;
}

// Puts the table's texts into the page's own markup: data-text names an element's text,
// data-label its accessible name.
export function applyTexts(document, texts) {
  document.documentElement.lang = texts.lang;
  document.title = texts.appTitle;
  for (const element of document.querySelectorAll('[data-text]')) {
    element.textContent = texts[element.dataset.text];
  }
  for (const element of document.querySelectorAll('[data-label]')) {
    element.setAttribute('aria-label', texts[element.dataset.label]);
  }
  document.querySelector('link[rel="manifest"]')?.setAttribute('href', texts.manifest);
  document.querySelector('meta[name="apple-mobile-web-app-title"]')
    ?.setAttribute('content', texts.appTitle);
}
