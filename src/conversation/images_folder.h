// The account's Images folder, where conversation pictures are kept. Only plain picture names are
// ever turned into paths, so nothing outside the folder can be looked up, read or sent.
#pragma once

#include "conversation/richtext.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantor::conversation {

class ImagesFolder {
  public:
    explicit ImagesFolder(QString folder);

    const QString& folder() const { return folder_; }
    // The path of a picture in the folder; empty when the name is not plain.
    QString pathOf(std::string_view name) const;
    // True when the name is plain and names a regular file (not a link) in the folder.
    bool holds(std::string_view name) const;
    // The file's bytes; nothing when it is not held or is larger than `maxBytes`.
    std::optional<std::string> read(std::string_view name, uint64_t maxBytes) const;
    // holds() as a look-up for renderPlainText(); the folder must outlive it.
    ImagesLookup lookup() const;

  private:
    QString folder_;
};

} // namespace vantor::conversation
