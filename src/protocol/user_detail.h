// The 369-byte detail record of a user (company, post, telephones, mail, fax): the body of
// CmdUserDetail as received, of CmdUserDetailPush, and of CmdUserDetailSave, which the settings
// dialog sends for the own user.
#pragma once

#include "protocol/wire.h"

#include <cstdint>
#include <string>

namespace vantor::protocol {

struct UserDetail {
    static constexpr size_t kSize = 369;
    uint32_t userId = 0;
    uint8_t sex = 0;         // 0 male ("男"), 1 female ("女")
    std::string company;     // text[50], "公司/部门名称"
    std::string unit;        // text[30], the organisation that groups users in the picker
    std::string office;      // text[40], "部门/职务"
    std::string officePhone; // text[20]
    std::string mobilePhone; // text[20]
    std::string mail;        // text[40]
    std::string fax;         // text[20]
    std::string rest;        // the 137 bytes after the fax, kept as they came

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.userId);
        io.u8(r.sex);
        io.text(50, r.company);
        io.text(30, r.unit);
        io.text(40, r.office);
        io.text(20, r.officePhone);
        io.text(20, r.mobilePhone);
        io.text(40, r.mail);
        io.text(20, r.fax);
        io.raw(137, r.rest);
    }
};

} // namespace vantor::protocol
