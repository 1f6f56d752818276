// GBK text: conversion to and from UTF-8 (for the user-interface boundary and for literals in
// code), and the status codes with their names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::protocol {

// UTF-8 → GBK. Characters GBK cannot hold become '?'.
std::string toGbk(std::string_view utf8);
// GBK → UTF-8. Invalid sequences become U+FFFD.
std::string fromGbk(std::string_view gbk);

// Status codes 0…10.
enum Status : uint8_t {
    kOnline = 0,
    kBusy = 1,
    kBeRightBack = 2,
    kAway = 3,
    kOnPhone = 4,
    kOutToLunch = 5,
    kInMeeting = 6,
    kDoNotDisturb = 7,
    kOffline = 8,
    kInvisible = 9,
    kMobile = 10,
};

// The GBK name of a status code (low 7 bits); empty for a code above 10.
const std::string& statusName(uint8_t code);
// The code of a GBK status name; 0 for any text that is not one of the eleven names.
uint8_t statusCode(std::string_view gbkName);

} // namespace vantor::protocol
