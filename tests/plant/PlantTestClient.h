#pragma once

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <string>

namespace k7::plant::test {

// One HTTP exchange with the plant as a test sees it.
struct Answer {
    bool Received = false; // false: the connection ended without a reply
    int Status = 0;
    std::string Reason;
    std::string Body;

    nlohmann::json Json() const { return nlohmann::json::parse(Body); }
};

// Sends `method` `target` (path and query exactly as given, nothing escaped, no body) to the plant
// on 127.0.0.1:`port` through a client that keeps its connection between calls.
class TestClient {
public:
    // `timeoutSeconds` bounds connecting and each wait for data.
    explicit TestClient(int port, int timeoutSeconds = 5) : client_("127.0.0.1", port) {
        client_.set_connection_timeout(timeoutSeconds);
        client_.set_read_timeout(timeoutSeconds);
        client_.set_url_encode(false);
        client_.set_keep_alive(true);
        client_.set_tcp_nodelay(true);
    }

    Answer Send(const std::string& method, const std::string& target) {
        httplib::Result result = method == "POST"     ? client_.Post(target)
                                 : method == "PATCH"  ? client_.Patch(target)
                                 : method == "DELETE" ? client_.Delete(target)
                                                      : client_.Get(target);
        Answer answer;
        if (!result)
            return answer;
        answer.Received = true;
        answer.Status = result->status;
        answer.Reason = result->reason;
        answer.Body = result->body;
        return answer;
    }

private:
    httplib::Client client_;
};

} // namespace k7::plant::test
