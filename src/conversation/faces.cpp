#include "conversation/faces.h"

#include "protocol/text.h"

#include <array>

namespace vantor::conversation {

namespace {

// Index order matters: a code that is a prefix of another ("/~lh" of "/~lhan", "/~xig" of
// "/~xigua") comes after it, so the longer code is found first.
constexpr std::array<Face, kFaceCount> kFaces = {{
    {0, "/~wx", "笑脸"},       {1, "/~pz", "瞥嘴"},     {2, "/~se", "色"},         {3, "/~fd", "发呆"},
    {4, "/~dy", "得意"},       {5, "/~ll", "流泪"},     {6, "/~hx", "害羞"},       {7, "/~bz", "闭嘴"},
    {8, "/~shui", "睡"},       {9, "/~dk", "大哭"},     {10, "/~gg", "尴尬"},      {11, "/~fn", "发怒"},
    {12, "/~tp", "调皮"},      {13, "/~cy", "吡牙"},    {14, "/~jy", "惊讶"},      {15, "/~ng", "难过"},
    {16, "/~kuu", "酷"},       {17, "/~lhan", "冷汗"},  {18, "/~zk", "抓狂"},      {19, "/~tu", "吐"},
    {20, "/~tx", "偷笑"},      {21, "/~ka", "可爱"},    {22, "/~baiy", "白眼"},    {23, "/~am", "傲慢"},
    {24, "/~jie", "饥饿"},     {25, "/~kun", "困"},     {26, "/~jk", "惊恐"},      {27, "/~lh", "流汗"},
    {28, "/~hanx", "憨笑"},    {29, "/~db", "大兵"},    {30, "/~fendou", "奋斗"},  {31, "/~zhm", "咒骂"},
    {32, "/~yiw", "疑问"},     {33, "/~xu", "嘘..."},   {34, "/~yun", "晕"},       {35, "/~zhem", "折磨"},
    {36, "/~shuai", "衰"},     {37, "/~kl", "骷髅"},    {38, "/~qiao", "敲打"},    {39, "/~zj", "再见"},
    {40, "/~cahan", "擦汗"},   {41, "/~koubi", "抠鼻"}, {42, "/~guzhang", "鼓掌"}, {43, "/~qou", "糗"},
    {44, "/~huaix", "坏笑"},   {45, "/~zhh", "左哼哼"}, {46, "/~yhh", "右哼哼"},   {47, "/~haqian", "哈欠"},
    {48, "/~bs", "鄙视"},      {49, "/~wq", "委屈"},    {50, "/~kul", "快哭了"},   {51, "/~yx", "阴险"},
    {52, "/~qinqin", "亲亲"},  {53, "/~xia", "吓"},     {54, "/~kel", "可怜"},     {55, "/~caod", "菜刀"},
    {56, "/~xigua", "西瓜"},   {57, "/~beer", "啤酒"},  {58, "/~lanq", "篮球"},    {59, "/~bb", "乒乓"},
    {60, "/~kf", "咖啡"},      {61, "/~fan", "饭"},     {62, "/~yw", "猪头"},      {63, "/~mg", "玫瑰"},
    {64, "/~dx", "凋谢"},      {65, "/~wen", "示爱"},   {66, "/~xin", "爱心"},     {67, "/~xs", "心碎"},
    {68, "/~hy", "蛋糕"},      {69, "/~lw", "闪电"},    {70, "/~dh", "炸弹"},      {71, "/~sj", "刀"},
    {72, "/~yj", "足球"},      {73, "/~ds", "瓢虫"},    {74, "/~ty", "便便"},      {75, "/~yl", "月亮"},
    {76, "/~qiang", "太阳"},   {77, "/~ruo", "礼物"},   {78, "/~ws", "拥抱"},      {79, "/~shl", "强"},
    {80, "/~dd", "弱"},        {81, "/~mn", "握手"},    {82, "/~hl", "胜利"},      {83, "/~mamao", "抱拳"},
    {84, "/~qz", "勾引"},      {85, "/~fw", "拳头"},    {86, "/~oh", "差劲"},      {87, "/~bj", "爱你"},
    {88, "/~qsh", "NO"},       {89, "/~xig", "OK"},     {90, "/~a90", "爱情"},     {91, "/~a91", "飞吻"},
    {92, "/~a92", "跳跳"},     {93, "/~a93", "发抖"},   {94, "/~a94", "怄火"},     {95, "/~a95", "转圈"},
    {96, "/~a96", "磕头"},     {97, "/~a97", "回头"},   {98, "/~a98", "跳绳"},     {99, "/~a99", "挥手"},
    {100, "/~a100", "激动"},   {101, "/~a101", "街舞"}, {102, "/~a102", "献吻"},   {103, "/~a103", "左太极"},
    {104, "/~a104", "右太极"},
}};

const std::array<std::string, kFaceCount + 1>& gbkNames() {
    static const std::array<std::string, kFaceCount + 1> names = [] {
        std::array<std::string, kFaceCount + 1> a;
        for (const Face& f : kFaces)
            a[size_t(f.index)] = protocol::toGbk(f.nameUtf8);
        return a; // a[kFaceCount] stays empty: the name of every index outside the table
    }();
    return names;
}

} // namespace

std::span<const Face> faceTable() {
    return kFaces;
}

bool isFaceIndex(int index) {
    return index >= 0 && index < kFaceCount;
}

std::string_view faceCode(int index) {
    return isFaceIndex(index) ? kFaces[size_t(index)].code : std::string_view();
}

const std::string& faceNameGbk(int index) {
    return gbkNames()[isFaceIndex(index) ? size_t(index) : size_t(kFaceCount)];
}

int faceIndexOfCode(std::string_view code) {
    for (const Face& f : kFaces)
        if (f.code == code) return f.index;
    return -1;
}

std::string faceFileName(int index) {
    return isFaceIndex(index) ? std::to_string(index) + ".gif" : std::string();
}

int faceAtPagePoint(int x, int y) {
    if (x < 0 || y < 0) return -1;
    const int column = x / kFaceCellWidth;
    const int row = y / kFaceCellHeight;
    if (column >= kFacePageColumns || row >= kFacePageRows) return -1;
    const int index = row * kFacePageColumns + column;
    return isFaceIndex(index) ? index : -1;
}

} // namespace vantor::conversation
