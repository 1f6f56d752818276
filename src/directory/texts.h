// The directory's own user-visible texts, as GBK bytes.
#pragma once

#include <string>

namespace vantor::directory::texts {

const std::string& externalContacts();   // "外部联系人"
const std::string& otherContacts();      // "其他联系人"
const std::string& online();             // "在线"
const std::string& offline();            // "离线"
const std::string& addedToContacts();    // "已加入联系人列表"
const std::string& groupExists();        // "已有相同的组存在！"
const std::string& errorTitle();         // "错误"
const std::string& hintTitle();          // "提示"
const std::string& groupNotEmpty();      // "请先删除组内联系人后，再删除本组"
const std::string& askDeleteGroup();     // "是否删除 "
const std::string& groupSuffix();        // " 组？"
const std::string& askDeleteContact();   // "确定要删除 "
const std::string& contactSuffix();      // " 吗？"
const std::string& deleteContactTitle(); // "联系人删除确认"
const std::string& newGroupPrompt();     // "请输入新建的分组名称:"
const std::string& bracketOpen();        // "（"
const std::string& bracketClose();       // "）"
const std::string& notSignedIn();        // "[未登录]"
const std::string& signaturePrompt();    // "个性签名 ..."
const std::string& recentSection();      // "最近联系人"
const std::string& groupSection();       // "讨论组（群）"

// Entries of the views' context menu.
const std::string& menuBigIcons();     // "大图标"
const std::string& menuSmallIcons();   // "小图标"
const std::string& menuOnlineOnly();   // "只显示在线用户"
const std::string& menuShowAll();      // "显示所有用户"
const std::string& menuAddGroup();     // "添加分组"
const std::string& menuDeleteGroup();  // "删除此分组"
const std::string& menuByDepartment(); // "部门/分组(&T)"
const std::string& menuByPresence();   // "在线/离线(&L)"

// The four work states, in hot-key order: "在岗", "开会", "外出", "请假".
const std::string& workState(int index);

} // namespace vantor::directory::texts
