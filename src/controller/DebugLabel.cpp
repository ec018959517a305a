// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "controller/MacController.h"
#include "core/Overloaded.h"

#include <variant>

namespace kavora {

std::string_view debugLabel(const ControlMessage& message)
{
    using namespace msg;
    return std::visit(Overloaded {
                          [](const MouseDelta&) { return "マウス移動"; },
                          [](const Scroll&) { return "スクロール"; },
                          [](const DragDelta&) { return "ドラッグ"; },
                          [](const DragStart&) { return "ドラッグ"; },
                          [](const DragEnd&) { return "ドラッグ"; },
                          [](const KeyDown&) { return "キー入力"; },
                          [](const KeyUp&) { return "キー入力"; },
                          [](const TextInput&) { return "テキスト入力"; },
                          [](const Pinch&) { return "ピンチ"; },
                          [](const VolumeDelta&) { return "音量変更"; },
                          [](const SetMuted&) { return "ミュート設定"; },
                          [](const MuteToggle&) { return "ミュート切替"; },
                          [](const LaunchApp&) { return "アプリ起動"; },
                          [](const ActivateApp&) { return "アプリ切替"; },
                          [](const AppList&) { return "アプリ一覧"; },
                          [](const RegisteredAppList&) { return "登録アプリ一覧"; },
                          [](const SystemButtons&) { return "上部ボタン"; },
                          [](const msg::FavoriteSites&) { return "お気に入り一覧"; },
                          [](const OpenURL&) { return "URL起動"; },
                          [](const LeftClickDown&) { return "左クリック"; },
                          [](const LeftClickUp&) { return "左クリック"; },
                          [](const RightClickDown&) { return "右クリック"; },
                          [](const RightClickUp&) { return "右クリック"; },
                          [](const SwipeBack&) { return "スワイプ戻る"; },
                          [](const SwipeForward&) { return "スワイプ進む"; },
                          [](const Heartbeat&) { return "heartbeat"; },
                          [](const MissionControl&) { return "Mission Control"; },
                          [](const RequestAppList&) { return "アプリ一覧要求"; },
                          [](const RequestRegisteredApps&) { return "登録アプリ要求"; },
                          [](const RequestSystemButtons&) { return "上部ボタン要求"; },
                          [](const RequestFavoriteSites&) { return "お気に入り要求"; },
                      },
                      message);
}

} // namespace kavora
