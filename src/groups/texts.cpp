#include "groups/texts.h"

#include "protocol/text.h"
#include "protocol/wire.h"

namespace vantor::groups::texts {

#define VANTOR_TEXT(fn, utf8)                                                                                \
    const std::string& fn() {                                                                                \
        static const std::string s = protocol::toGbk(utf8);                                                  \
        return s;                                                                                            \
    }

VANTOR_TEXT(hintTitle, "提示")
VANTOR_TEXT(confirmTitle, "确认")
VANTOR_TEXT(confirmLeaveTitle, "确认退出")
VANTOR_TEXT(enterGroupName, "请输入讨论组名称！")
VANTOR_TEXT(chooseMembers, "请选择讨论组人员！")
VANTOR_TEXT(groupCreated, "创建讨论组成功！")
VANTOR_TEXT(defaultGroupName, "讨论组")
VANTOR_TEXT(topicCreatedBy, " 创建的话题...")
VANTOR_TEXT(topicPrefix, "主题：")
VANTOR_TEXT(voiceOpen, "当前窗口已打开音频对话，不能进入讨论组模式！")
VANTOR_TEXT(videoOpen, "当前窗口已打开视频对话，不能进入讨论组模式！")
VANTOR_TEXT(askLeave, "确定要退出本讨论组吗？")
VANTOR_TEXT(askDismiss, "确定要解散本讨论组吗？")
VANTOR_TEXT(administrator, "\t [管理员]")
VANTOR_TEXT(pickerCreateCaption, "选择讨论组人员")
VANTOR_TEXT(pickerAddCaption, "添加讨论组人员")
VANTOR_TEXT(pickerQuickCaption, "快速创建讨论组")
VANTOR_TEXT(notConnected, "与服务器连接已经断开，讨论组操作没有完成。")
VANTOR_TEXT(groupGone, "本讨论组已不存在，不能再发送信息。")
VANTOR_TEXT(removedFromGroup, "您已被移出本讨论组，不能再发送信息。")
VANTOR_TEXT(groupDismissed, "本讨论组已被解散，不能再发送信息。")
VANTOR_TEXT(tooManyToCreate, "一个讨论组最多200人，请减少所选人员！")

std::string askRemove(const std::string& memberName) {
    return protocol::toGbk("确定要将 [") + memberName.substr(0, wire::gbkCutLength(memberName, 80)) +
           protocol::toGbk("] 移出本讨论组吗？");
}

std::string notAdded(size_t count) {
    return protocol::toGbk("一个讨论组最多200人，") + std::to_string(count) +
           protocol::toGbk(" 人没有加入。");
}

} // namespace vantor::groups::texts
