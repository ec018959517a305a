#include "presentation/ConnectionStatus.h"

namespace kavora {

StatusDot statusDot(const ConnectionStatus& status)
{
    if (status.isConnected)
        return StatusDot::Brand;
    return status.isAdvertising ? StatusDot::Yellow : StatusDot::Grey;
}

std::string statusText(const ConnectionStatus& status)
{
    if (status.isConnected)
        return status.peerName ? "接続中 · " + *status.peerName : "接続中";
    return status.isAdvertising ? "接続を待機中…" : "オフ";
}

std::string connectionStateText(bool isConnected)
{
    return isConnected ? "接続中" : "未接続";
}

std::string accessibilityStateText(bool accessibilityGranted)
{
    return accessibilityGranted ? "許可済み" : "未許可";
}

std::string advertisingSwitchText(bool isAdvertising)
{
    return isAdvertising ? "オン" : "オフ";
}

} // namespace kavora
