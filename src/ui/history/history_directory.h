// Who the history viewer lists: the organisation by department, the discussion groups and (when
// the account has them) the customer-service groups, and the names of senders. Read from the
// client's directory; tests give their own.
#pragma once

#include "protocol/wire.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace vantor::client {
class ClientCore;
}

namespace vantor::ui {

struct HistoryPartner {
    enum class Kind { Department, Colleague, Group, Service };
    Kind kind = Kind::Colleague;
    uint32_t id = 0; // department or user id
    wire::Guid guid; // group or service group
    QString name;
    QString signature;
    QString picture; // the head picture file, empty: the default
    std::vector<HistoryPartner> children;
};

class IHistoryDirectory {
  public:
    virtual ~IHistoryDirectory() = default;
    // The top departments with their sub-departments and colleagues.
    virtual std::vector<HistoryPartner> organisation() = 0;
    virtual std::vector<HistoryPartner> groups() { return {}; }
    // Nothing when the account has no customer-service groups.
    virtual std::optional<std::vector<HistoryPartner>> services() { return std::nullopt; }
    // A sender's display name; empty when unknown.
    virtual QString nameOf(uint32_t userId) = 0;
};

// The client's organisation directory as the viewer lists it: the tree by department with the
// catch-all department last (colleagues of no known department), the discussion groups, and the
// service points when the server shows the service desk.
class ClientHistoryDirectory : public IHistoryDirectory {
  public:
    explicit ClientHistoryDirectory(client::ClientCore& core) : core_(core) {}
    std::vector<HistoryPartner> organisation() override;
    std::vector<HistoryPartner> groups() override;
    std::optional<std::vector<HistoryPartner>> services() override;
    QString nameOf(uint32_t userId) override;

  private:
    client::ClientCore& core_;
};

} // namespace vantor::ui
