// The chat core's message store over the account's history file.
#pragma once

#include "conversation/chat_ports.h"
#include "history/message_store.h"

namespace vantor::conversation {

class HistoryChatStore : public IChatStore {
  public:
    explicit HistoryChatStore(history::StoreLocation location) : location_(std::move(location)) {}
    std::optional<std::string> store(const std::string& record) override;

  private:
    history::StoreLocation location_;
};

} // namespace vantor::conversation
