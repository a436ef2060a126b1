#pragma once

// The account figures a host hands to SetUserInfo, by value. Host and library must be
// built against the same C++ runtime.

#include <string>

namespace intake {

struct UserInfoRecord {
    std::string uid;                   // the account's user id (8-bit)
    std::u16string level;              // stored as "USER_LEVEL" when it changed
    std::u16string maxfs;              // largest single file, decimal bytes
    std::u16string spacecapacity;      // total space, decimal bytes
    std::u16string usedspacecapacity;  // used space, decimal bytes
    std::u16string periodofvalidity;   // stored as "PRIV_PFVAL" when it changed
};

}  // namespace intake
