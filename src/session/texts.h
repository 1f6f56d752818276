// The user-visible texts of start-up, sign-in and sign-out, exactly as the client shows them
// (UTF-8 here; GBK where they are compared with what the server sends).
#pragma once

namespace vantor::session::text {

inline constexpr const char* kAppTitle = "Kezique";
inline constexpr const char* kNotSignedInHint = " -- 未登录";
inline constexpr const char* kOnline = "在线";
inline constexpr const char* kSigningIn = "正在登录...";
inline constexpr const char* kNotSignedIn = "[未登录]";
inline constexpr const char* kConnectEntry = "登录(&I)";
inline constexpr const char* kCancelEntry = "取消登录(&I)";
inline constexpr const char* kConnectFailedTitle = "连接失败";
inline constexpr const char* kConnectFailedText = "未能连接至服务器，请检查网络设置！";
inline constexpr const char* kLoginFailedTitle = "登录失败";
inline constexpr const char* kLoginDoneTitle = "登录成功";
inline constexpr const char* kEnterNameAndPassword = "请输入用户名及密码！";
inline constexpr const char* kHintTitle = "提示";
inline constexpr const char* kCreateFolderFailed = "创建用户目录失败！";

// Refusal reasons with an effect of their own.
inline constexpr const char* kRefusedUpgrade = "本软件已升级，请下载安装最新版程序！";
inline constexpr const char* kRefusedElsewhere = "相同的用户在其它位置刚刚登录！";
inline constexpr const char* kRefusedPassword = "用户名或者密码输入错误！";
inline constexpr const char* kRefusedStopped = "服务器已停止！";

} // namespace vantor::session::text
