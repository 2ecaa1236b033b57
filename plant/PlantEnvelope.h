#pragma once

#include "PlantRecords.h"
#include "PlantReply.h"

#include "json/JsonBag.h"

#include <memory>

namespace k7::plant {

// A reply envelope {"status", "data", "message"} under construction: `status` 0 and a `data` the
// caller fills; Finish adds the message "Success".
struct PlantEnvelope {
    std::shared_ptr<JsonBag> Document = JsonBag::Create();
    std::shared_ptr<JsonBag> Data;

    explicit PlantEnvelope(bool dataIsArray = true) {
        Document->SetItem("status", Variant(int32_t{PlantStatus::Success}));
        Data = dataIsArray ? Document->AddNewArray("data") : Document->AddNewObject("data");
    }

    PlantReply Finish() const {
        Document->SetItem("message", Variant("Success"));
        return PlantReply{200, {}, Document->JSON().toUtf8()};
    }
};

} // namespace k7::plant
