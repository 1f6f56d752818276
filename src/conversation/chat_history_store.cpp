#include "conversation/chat_history_store.h"

namespace vantor::conversation {

std::optional<std::string> HistoryChatStore::store(const std::string& record) {
    const history::StoreStatus status = history::StoreMessageRecord(location_, record);
    if (status.ok()) return std::nullopt;
    return status.reason.empty() ? std::string("store error") : status.reason;
}

} // namespace vantor::conversation
