// Head pictures of the lists: the user's photo thumbnail, else the chosen face picture, else the
// default. A picture name from the network becomes part of a file name only when it is plain.
#pragma once

#include <QString>

#include <cstdint>
#include <string_view>

namespace vantor::directory {

// Letters, digits and underscores only, not empty and at most 10 characters.
inline constexpr size_t kMaxPictureName = 10;
bool isPlainPictureName(std::string_view name);

struct PictureFolders {
    QString userPic;   // photo thumbnails: <id>.bmp
    QString userHead;  // face pictures: <name>.bmp
    QString sysImages; // the defaults
};

// UserPic/<id>.bmp if it exists, else UserHead/<name>.bmp if the name is plain and the file
// exists, else SysImages/Customs.bmp.
QString resolveHeadPicture(const PictureFolders& folders, uint32_t userId, std::string_view pictureName);

} // namespace vantor::directory
