#include "presentation/ShellFace.h"

namespace kavora {

HiddenFace hiddenFace(bool trayShown, bool isAdvertising, bool userClosedWindow)
{
    if (trayShown)
        return HiddenFace::StatusIcon;
    if (isAdvertising)
        return HiddenFace::Notice;
    return userClosedWindow ? HiddenFace::Quit : HiddenFace::Window;
}

std::string windowCloseNote(bool isAdvertising)
{
    return isAdvertising ? "ウィンドウを閉じても接続を受け付け続けます。通知から戻れます。"
                         : "ウィンドウを閉じると Kavora は終了します。";
}

std::string backgroundNoticeTitle()
{
    return "Kavora は動作中です";
}

std::string backgroundNoticeBody()
{
    return "オンのまま接続を受け付けています。アプリケーション一覧から Kavora "
           "を開いても設定に戻れます。";
}

std::string backgroundNoticeOpenAction()
{
    return "設定を開く";
}

std::string backgroundNoticeQuitAction()
{
    return "終了";
}

} // namespace kavora
