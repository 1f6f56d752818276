#include "skin/appearance.h"

#include "settings/folder_layout.h"
#include "settings/profile_file.h"
#include "settings/skin_settings.h"

#include <QFile>

#include <algorithm>

#include <filesystem>

namespace vantor::skin {

namespace {

QColor fromBgr(uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

uint32_t toBgr(const QColor& c) {
    return uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16;
}

QImage load(const std::string& path) {
    QImage image;
    if (!image.load(QString::fromStdString(path))) return {};
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

const char* skinPictureFile(SkinPicture p) {
    switch (p) {
    case SkinPicture::MainTopPic:
        return "MainTop_Pic.png";
    case SkinPicture::MainTopBg:
        return "MainTop_bg.png";
    case SkinPicture::TopPic:
        return "Top_Pic.png";
    case SkinPicture::TopBg:
        return "Top_bg.png";
    case SkinPicture::BottomPic:
        return "Bottom_Pic.png";
    case SkinPicture::BottomBg:
        return "Bottom_Bg.png";
    case SkinPicture::BottomBar:
        return "Bottom_bar.png";
    }
    return "";
}

QImage shiftedImage(const QImage& original, const ColourShift& shift) {
    if (original.isNull()) return {};
    QImage out(original.size(), QImage::Format_ARGB32);
    const QImage in = original.format() == QImage::Format_ARGB32
                          ? original
                          : original.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < in.height(); ++y)
        shiftPixels(reinterpret_cast<const uint32_t*>(in.constScanLine(y)),
                    reinterpret_cast<uint32_t*>(out.scanLine(y)), size_t(in.width()), shift);
    return out;
}

Appearance::Appearance(const std::string& programFolder, QObject* parent)
    : QObject(parent), program_(settings::FolderLayout(programFolder, "/").programFolder()) {
    const settings::SkinSettings defaults;
    name_ = fromBgr(defaults.Name);
    memo_ = fromBgr(defaults.Memo);
    border_ = fromBgr(defaults.Border);
}

std::string Appearance::programSkinFile(const std::string& name) const {
    return settings::FolderLayout(program_, "/").skinFile(name);
}

std::string Appearance::overlaySkinFile(const std::string& name) const {
    if (accountFolder_.empty()) return {};
    std::string folder = accountFolder_;
    if (folder.back() != '/') folder += '/';
    return folder + "Skin/" + std::string(settings::safeSkinName(name)) + "/Skin.ini";
}

void Appearance::loadSkin(const std::string& name) {
    skinName_ = std::string(settings::safeSkinName(name));
    const std::string folder = settings::FolderLayout(program_, "/").skinFolder(skinName_);
    const settings::SkinSettings s =
        settings::loadSkinSettings(programSkinFile(skinName_), overlaySkinFile(skinName_));
    name_ = fromBgr(s.Name);
    memo_ = fromBgr(s.Memo);
    border_ = fromBgr(s.Border);
    // A skin without a window colour (0, the key's default) leaves the windows their own.
    formBg_ = s.FormBG != 0 ? std::optional<QColor>(fromBgr(s.FormBG)) : std::nullopt;
    for (int i = 0; i < kSkinPictureCount; ++i)
        original_[size_t(i)] = load(folder + skinPictureFile(SkinPicture(i)));
    if (original_[size_t(SkinPicture::BottomPic)].isNull())
        original_[size_t(SkinPicture::BottomPic)] = original_[size_t(SkinPicture::BottomBg)];
    opacity_ = s.ALphaBlend;
    applyShift({s.H, s.S, s.B});
    emit opacityChanged(opacity_);
}

void Appearance::applyShift(const ColourShift& shift) {
    shift_ = shift.clamped();
    for (int i = 0; i < kSkinPictureCount; ++i)
        shifted_[size_t(i)] = shiftedImage(original_[size_t(i)], shift_);
    emit changed();
}

void Appearance::setOpacity(int opacity) {
    opacity = std::clamp(opacity, 0, 255);
    if (opacity == opacity_) return;
    opacity_ = opacity;
    emit opacityChanged(opacity_);
}

bool Appearance::save() const {
    const std::string file = overlaySkinFile(skinName_);
    if (file.empty() || skinName_.empty()) return false;
    settings::SkinSettings s;
    s.H = shift_.H;
    s.S = shift_.S;
    s.B = shift_.B;
    s.ALphaBlend = opacity_;
    s.Name = toBgr(name_);
    s.Memo = toBgr(memo_);
    try {
        const std::filesystem::path dir = std::filesystem::path(file).parent_path();
        std::filesystem::create_directories(dir);
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
        settings::saveSkinSettings(file, s);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

QImage Appearance::thumbnail(int n) const {
    if (n < 1 || n > 8) return {};
    return load(program_ + "Skin/" + std::to_string(n) + ".jpg");
}

} // namespace vantor::skin
