// What the web monitor's server checks in a request head before anything else is done with the
// request: a body must say its size in one plain way, and come as it is (an encoded body would be
// inflated in memory past every bound); and the Host a loopback monitor accepts.
#pragma once

#include <httplib.h>

#include <optional>
#include <string>

struct Refusal {
    int status;
    std::string message;
};

// Why the request must be refused before its body is read, or nothing when it may be served:
// 415 for a Content-Encoding; 400 for Content-Length given twice, beside Transfer-Encoding, or
// not a plain number; 501 for a Transfer-Encoding other than one "chunked".
std::optional<Refusal> screenRequest(const httplib::Request& request);

// True when the Host header names this machine literally: "localhost", a dotted 127.x.y.z or
// [::1], each with an optional port. Any other name could be one a page elsewhere had point here.
bool isLoopbackHost(const std::string& host);
