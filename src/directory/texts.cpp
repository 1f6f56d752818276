#include "directory/texts.h"

#include "protocol/text.h"

namespace vantor::directory::texts {

#define VANTOR_TEXT(fn, utf8)                                                                                \
    const std::string& fn() {                                                                                \
        static const std::string s = protocol::toGbk(utf8);                                                  \
        return s;                                                                                            \
    }

VANTOR_TEXT(externalContacts, "外部联系人")
VANTOR_TEXT(otherContacts, "其他联系人")
VANTOR_TEXT(online, "在线")
VANTOR_TEXT(offline, "离线")
VANTOR_TEXT(addedToContacts, "已加入联系人列表")
VANTOR_TEXT(groupExists, "已有相同的组存在！")
VANTOR_TEXT(errorTitle, "错误")
VANTOR_TEXT(hintTitle, "提示")
VANTOR_TEXT(groupNotEmpty, "请先删除组内联系人后，再删除本组")
VANTOR_TEXT(askDeleteGroup, "是否删除 ")
VANTOR_TEXT(groupSuffix, " 组？")
VANTOR_TEXT(askDeleteContact, "确定要删除 ")
VANTOR_TEXT(contactSuffix, " 吗？")
VANTOR_TEXT(deleteContactTitle, "联系人删除确认")
VANTOR_TEXT(newGroupPrompt, "请输入新建的分组名称:")
VANTOR_TEXT(bracketOpen, "（")
VANTOR_TEXT(bracketClose, "）")
VANTOR_TEXT(notSignedIn, "[未登录]")
VANTOR_TEXT(signaturePrompt, "个性签名 ...")
VANTOR_TEXT(recentSection, "最近联系人")
VANTOR_TEXT(groupSection, "讨论组（群）")
VANTOR_TEXT(menuBigIcons, "大图标")
VANTOR_TEXT(menuSmallIcons, "小图标")
VANTOR_TEXT(menuOnlineOnly, "只显示在线用户")
VANTOR_TEXT(menuShowAll, "显示所有用户")
VANTOR_TEXT(menuAddGroup, "添加分组")
VANTOR_TEXT(menuDeleteGroup, "删除此分组")
VANTOR_TEXT(menuByDepartment, "部门/分组(&T)")
VANTOR_TEXT(menuByPresence, "在线/离线(&L)")

#undef VANTOR_TEXT

const std::string& workState(int index) {
    static const std::string names[4] = {protocol::toGbk("在岗"), protocol::toGbk("开会"),
                                         protocol::toGbk("外出"), protocol::toGbk("请假")};
    static const std::string none;
    return index >= 0 && index < 4 ? names[index] : none;
}

} // namespace vantor::directory::texts
