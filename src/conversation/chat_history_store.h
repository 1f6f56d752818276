// The chat core's message store over the account's history file, written at once on the calling
// thread (the client queues its records to a writer thread instead: client::ChatBridge).
#pragma once

#include "conversation/chat_ports.h"
#include "history/message_store.h"

namespace vantor::conversation {

class HistoryChatStore : public IChatStore {
  public:
    explicit HistoryChatStore(history::StoreLocation location) : location_(std::move(location)) {}
    void store(const std::string& record, StoreDone done) override;

  private:
    history::StoreLocation location_;
};

} // namespace vantor::conversation
