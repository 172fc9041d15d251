// The bounds the web monitor's HTTP server puts on its clients: connections in all and from one
// address, the size of a request's head and body, and the times a request has to arrive, an
// answer to be taken and a kept-alive connection to stay idle.
#pragma once

#include <chrono>
#include <cstddef>

struct HttpLimits {
    int maxConnections = 64;
    int maxConnectionsPerClient = 8;  // from one remote address
    size_t maxHeadBytes = 8192;       // request line and headers
    size_t maxBodyBytes = 16384;
    std::chrono::milliseconds headTime{3000};      // for the request line and headers to arrive
    std::chrono::milliseconds requestTime{10000};  // for a whole request to arrive
    std::chrono::milliseconds writeTime{5000};     // for the client to take each piece
    std::chrono::milliseconds idleTime{5000};      // between requests of a kept-alive connection
    int requestsPerConnection = 100;
};
