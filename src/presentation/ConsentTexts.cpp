// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "presentation/ConsentTexts.h"

#include "link/PeerConsent.h"
#include "presentation/Translation.h"

namespace kavora {
namespace {

constexpr std::size_t kCodeDigits = 6;
constexpr std::size_t kFingerprintEnds = 4;

std::string answerSeconds()
{
    return std::to_string(static_cast<long long>(PeerConsent::kAnswerTimeout.count()));
}

} // namespace

std::string deviceName(const std::string& name)
{
    return name.empty() ? i18n("Unnamed device") : name;
}

std::string consentHeadline(const PeerID& peer)
{
    return fillIn(i18n("“{name}” wants to control this computer"),
                  { { "name", deviceName(peer.displayName) } });
}

std::string verificationCodeText(const std::string& code)
{
    if (code.size() != kCodeDigits)
        return code;
    return code.substr(0, kCodeDigits / 2) + " " + code.substr(kCodeDigits / 2);
}

std::string shortFingerprint(const std::string& fingerprint)
{
    if (fingerprint.size() <= 2 * kFingerprintEnds)
        return fingerprint;
    return fingerprint.substr(0, kFingerprintEnds) + "…"
        + fingerprint.substr(fingerprint.size() - kFingerprintEnds);
}

std::string trustedDeviceDetail(const TrustedDevice& device, const std::string& lastSeenText)
{
    const std::string fingerprint = shortFingerprint(device.fingerprint);
    if (!device.lastSeen)
        return fillIn(i18n("Never connected · {fingerprint}"), { { "fingerprint", fingerprint } });
    return fillIn(i18n("Last connected {time} · {fingerprint}"),
                  { { "time", lastSeenText }, { "fingerprint", fingerprint } });
}

std::string allowCommand(const std::string& fingerprint)
{
    return "kavora devices allow " + fingerprint;
}

std::string consentAnnouncement(const PeerID& peer)
{
    // Read by a person: in the user's language, a line of the catalogue each. The log line below
    // stays English, as the log does.
    return "kavora: "
        + fillIn(i18n("controller \"{name}\" asks to control this computer"),
                 { { "name", peer.displayName } })
        + "\n  "
        + fillIn(i18n("verification code: {code} (the controller shows the same code)"),
                 { { "code", peer.verificationCode } })
        + "\n  "
        + fillIn(i18n("fingerprint:       {fingerprint}"), { { "fingerprint", peer.fingerprint } })
        + "\n  "
        + fillIn(i18n("to allow it, run:  {command}"),
                 { { "command", allowCommand(peer.fingerprint) } })
        + "\n  "
        + fillIn(i18n("(declined unless allowed within {seconds} s)"),
                 { { "seconds", answerSeconds() } })
        + "\n";
}

std::string consentLogLine(const PeerID& peer)
{
    return "kavora: controller \"" + peer.displayName + "\" asks to control this computer (code "
        + peer.verificationCode + ", fingerprint " + peer.fingerprint
        + "); allow it with: " + allowCommand(peer.fingerprint);
}

} // namespace kavora
