#include "web/request_screen.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <strings.h>

namespace {

bool isDecimal(const std::string& text, size_t maxDigits) {
    return !text.empty() && text.size() <= maxDigits &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

// Splits "name:port" or "[v6]:port" into its name and port ("" when none is given); false when
// a colon stands without a port after it.
bool splitPort(const std::string& host, std::string& name, std::string& port) {
    size_t end = host.empty() || host[0] != '[' ? host.find(':') : host.find(']') + 1;
    if (end == 0) {  // "[" with no "]"
        return false;
    }
    name = host.substr(0, end);
    if (end >= host.size()) {
        port.clear();
        return true;
    }
    port = host.substr(end + 1);
    return host[end] == ':' && isDecimal(port, 5) && std::stoi(port) <= 65535;
}

}  // namespace

std::optional<Refusal> screenRequest(const httplib::Request& request) {
    if (request.has_header("Content-Encoding")) {
        return Refusal{415, "a request body must not be encoded"};
    }
    size_t lengths = request.get_header_value_count("Content-Length");
    size_t codings = request.get_header_value_count("Transfer-Encoding");
    if (lengths > 1 || (lengths == 1 && codings > 0)) {
        return Refusal{400, "a request body must give its size once"};
    }
    if (lengths == 1 && !isDecimal(request.get_header_value("Content-Length"), 19)) {
        return Refusal{400, "Content-Length must be a number"};
    }
    if (codings > 1 ||
        (codings == 1 &&
         ::strcasecmp(request.get_header_value("Transfer-Encoding").c_str(), "chunked") != 0)) {
        return Refusal{501, "the only Transfer-Encoding taken is chunked"};
    }
    return std::nullopt;
}

bool isLoopbackHost(const std::string& host) {
    std::string name;
    std::string port;
    if (!splitPort(host, name, port)) {
        return false;
    }
    if (::strcasecmp(name.c_str(), "localhost") == 0) {
        return true;
    }
    in_addr v4{};
    if (::inet_pton(AF_INET, name.c_str(), &v4) == 1) {
        return (ntohl(v4.s_addr) >> 24) == 127;
    }
    in6_addr v6{};
    return name.size() > 2 && name.front() == '[' && name.back() == ']' &&
           ::inet_pton(AF_INET6, name.substr(1, name.size() - 2).c_str(), &v6) == 1 &&
           IN6_IS_ADDR_LOOPBACK(&v6);
}
