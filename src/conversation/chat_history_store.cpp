#include "conversation/chat_history_store.h"

namespace vantor::conversation {

void HistoryChatStore::store(const std::string& record, StoreDone done) {
    const history::StoreStatus status = history::StoreMessageRecord(location_, record);
    if (!done) return;
    if (status.ok())
        done(std::nullopt);
    else
        done(status.reason.empty() ? std::string("store error") : status.reason);
}

} // namespace vantor::conversation
