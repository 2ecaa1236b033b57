#include "WriteBook.h"

#include "PlantEnvelope.h"

namespace k7::plant {

bool WriteBook::IsWrite(const QString& method) {
    return method == "POST" || method == "PATCH" || method == "DELETE";
}

std::optional<PlantReply> WriteBook::Replay(const QString& key) {
    if (key.isEmpty())
        return std::nullopt;
    const auto answered = byKey_.find(key);
    if (answered == byKey_.end())
        return std::nullopt;
    ++writes_[answered->second.Index].Replays;
    return answered->second.Reply;
}

void WriteBook::Book(const BookedWrite& write, const PlantReply& reply) {
    if (!write.Key.isEmpty())
        byKey_.insert_or_assign(write.Key, Answered{writes_.size(), reply});
    writes_.push_back(write);
}

PlantReply WriteBook::Listing() const {
    PlantEnvelope envelope;
    for (const BookedWrite& write : writes_) {
        const auto entry = envelope.Data->AddNewObject();
        entry->SetItem("verb", Variant(write.Verb));
        entry->SetItem("path", Variant(write.Path));
        entry->SetItem("query", Variant(write.Query));
        entry->SetItem("key", Variant(write.Key));
        entry->SetItem("status", Variant(int32_t{write.Status}));
        entry->SetItem("time", Variant(write.Time));
        entry->SetItem("replays", Variant(int32_t{write.Replays}));
    }
    return envelope.Finish();
}

} // namespace k7::plant
