#include "presentation/ConsentTexts.h"

#include "link/PeerConsent.h"

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
    return name.empty() ? "名前のない端末" : name;
}

std::string consentHeadline(const PeerID& peer)
{
    return "「" + deviceName(peer.displayName) + "」がこのコンピュータの操作を求めています";
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
    const std::string seen = device.lastSeen ? "最終接続 " + lastSeenText : "未接続";
    return seen + " · " + shortFingerprint(device.fingerprint);
}

std::string allowCommand(const std::string& fingerprint)
{
    return "kavora devices allow " + fingerprint;
}

std::string consentAnnouncement(const PeerID& peer)
{
    return "kavora: controller \"" + peer.displayName + "\" asks to control this computer\n"
        + "  verification code: " + peer.verificationCode
        + " (the controller shows the same code)\n" + "  fingerprint:       " + peer.fingerprint
        + "\n" + "  to allow it, run:  " + allowCommand(peer.fingerprint) + "\n"
        + "  (declined unless allowed within " + answerSeconds() + " s)\n";
}

std::string consentLogLine(const PeerID& peer)
{
    return "kavora: controller \"" + peer.displayName + "\" asks to control this computer (code "
        + peer.verificationCode + ", fingerprint " + peer.fingerprint
        + "); allow it with: " + allowCommand(peer.fingerprint);
}

} // namespace kavora
