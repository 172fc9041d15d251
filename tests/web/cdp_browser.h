// Headless chromium driven over its DevTools pipe (file descriptors 3 and 4, messages of JSON
// ended by a NUL byte), so a test can load the monitor's page, run script in it as a user's
// clicks would, answer its confirm boxes and give it a phone's width.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

class CdpBrowser {
  public:
    // Starts chromium with a profile in profileDir; ok() tells whether a page could be opened.
    CdpBrowser(const std::string& chromium, const std::string& profileDir);
    ~CdpBrowser();
    CdpBrowser(const CdpBrowser&) = delete;
    CdpBrowser& operator=(const CdpBrowser&) = delete;

    bool ok() const { return !session_.empty(); }
    // Loads url and waits for its load event.
    bool open(const std::string& url);
    // The viewport as a phone's (or any) width in CSS pixels.
    void setWidth(int width, int height);
    // Runs the expression in the page (promises awaited); gives its value, null on an error.
    nlohmann::json eval(const std::string& expression);
    // How the next confirm boxes are answered, and the texts of those asked so far.
    void answerConfirm(bool yes) { confirmYes_ = yes; }
    const std::vector<std::string>& confirmsAsked() const { return confirms_; }

  private:
    nlohmann::json call(const std::string& method, const nlohmann::json& params,
                        bool inPage = true);
    // Reads messages until the answer to id, or the event named (id 0), comes.
    nlohmann::json await(int id, const std::string& event);
    bool readMessage(nlohmann::json& message, int timeoutMs);
    void handle(const nlohmann::json& message);

    int pid_ = -1;
    int toBrowser_ = -1;
    int fromBrowser_ = -1;
    int nextId_ = 1;
    std::string buffer_;
    std::string session_;
    bool confirmYes_ = false;
    std::vector<std::string> confirms_;
    std::vector<nlohmann::json> events_;
};
