#include "service/CurlHandle_p.h"

namespace k7 {

bool EnsureCurlInitialized() noexcept {
    // A function-local static is initialised exactly once even when several threads race here.
    static const bool initialized = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return initialized;
}

} // namespace k7
