// The server-pushed toolbar buttons (CmdToolbarLink): the message-centre button's hint (kinds 1
// and 6) and the four link buttons Image4…Image7 (kinds 2…5), each opening the server's link with
// the account and password filled in.
#pragma once

#include <QString>
#include <QUrl>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::shell {

// CmdToolbarLink (416 bytes): offset 4 text[151] hint, 156 text[255] link template, 412 kind.
// Texts stay GBK.
struct ToolbarLinkRecord {
    static constexpr size_t kSize = 416;
    std::string hint;
    std::string link;
    uint32_t kind = 0;
};
std::optional<ToolbarLinkRecord> decodeToolbarLink(std::string_view body);

// The link template with its first two "%s" replaced, literally, by the account and the password,
// both percent-encoded (UTF-8). Any other '%' stays as it is: the template is not a format string.
// Texts are GBK in, the result is the link as text.
QString fillLinkTemplate(std::string_view gbkTemplate, std::string_view gbkAccount,
                         std::string_view gbkPassword);

// Only http, https and mailto links are opened; nullopt for anything else or a malformed link.
std::optional<QUrl> openableLink(const QString& text);

class ToolbarLinks {
  public:
    // Keeps the record; a record of a kind already held replaces the older one. Kinds without a
    // button (outside 1…6) are not kept; false for them.
    bool add(ToolbarLinkRecord record);
    const ToolbarLinkRecord* find(uint32_t kind) const;
    void clear() { records_.clear(); }
    size_t size() const { return records_.size(); }

  private:
    std::vector<ToolbarLinkRecord> records_;
};

// Which toolbar button a kind dresses: 0 for the message-centre button, 1…4 for Image4…Image7,
// -1 for none.
int toolbarButtonOf(uint32_t kind);

} // namespace vantor::shell
