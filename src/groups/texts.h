// The group feature's own user-visible texts, as GBK bytes.
#pragma once

#include <cstddef>
#include <string>

namespace vantor::groups::texts {

const std::string& hintTitle();         // "提示"
const std::string& confirmTitle();      // "确认"
const std::string& confirmLeaveTitle(); // "确认退出"
const std::string& enterGroupName();    // "请输入讨论组名称！"
const std::string& chooseMembers();     // "请选择讨论组人员！"
const std::string& groupCreated();      // "创建讨论组成功！"
const std::string& defaultGroupName();  // "讨论组"
const std::string& topicCreatedBy();    // " 创建的话题..."
const std::string& topicPrefix();       // "主题："
const std::string& voiceOpen();     // "当前窗口已打开音频对话，不能进入讨论组模式！"
const std::string& videoOpen();     // "当前窗口已打开视频对话，不能进入讨论组模式！"
const std::string& askLeave();      // "确定要退出本讨论组吗？"
const std::string& askDismiss();    // "确定要解散本讨论组吗？"
const std::string& administrator(); // "\t [管理员]"
const std::string& pickerCreateCaption(); // "选择讨论组人员"
const std::string& pickerAddCaption();    // "添加讨论组人员"
const std::string& pickerQuickCaption();  // "快速创建讨论组"
// "确定要将 [" + the member's name (at most 80 bytes) + "] 移出本讨论组吗？"
std::string askRemove(const std::string& memberName);

// Texts of our own for what the group operations refuse or report.
const std::string& notConnected();     // the connection is closed: nothing was done
const std::string& groupGone();        // the window's group is no longer in the store
const std::string& removedFromGroup(); // the creator removed the own user
const std::string& groupDismissed();   // the creator dismissed the group
const std::string& tooManyToCreate();  // more chosen colleagues than a group holds
std::string notAdded(size_t count);    // colleagues beyond the free slots

} // namespace vantor::groups::texts
